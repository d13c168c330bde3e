#include "support/child_process.h"

#include <sys/wait.h>
#include <unistd.h>

namespace bench {

std::string RunSelf(const char* self, const std::vector<std::string>& arguments) {
    int fds[2];
    if (pipe(fds) != 0) return {};
    std::vector<char*> argv{const_cast<char*>(self)};
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(fds[1], STDOUT_FILENO);
        execv(self, argv.data());
        _exit(127);
    }
    close(fds[1]);
    std::string out;
    char buffer[256];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0)
        out.append(buffer, static_cast<std::size_t>(n));
    close(fds[0]);
    waitpid(child, nullptr, 0);
    return out;
}

}  // namespace bench
