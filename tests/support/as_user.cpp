#include "support/as_user.h"

#include <sys/wait.h>
#include <unistd.h>

std::string AsUser(uid_t uid, const std::function<std::string()>& body) {
    int out[2];
    if (pipe(out) != 0) return "(no pipe)";
    const pid_t child = fork();
    if (child == 0) {
        close(out[0]);
        const std::string answer = setresgid(uid, uid, uid) == 0 && setresuid(uid, uid, uid) == 0
                                       ? body()
                                       : "(no such user)";
        const ssize_t wrote = write(out[1], answer.data(), answer.size());
        _exit(wrote == static_cast<ssize_t>(answer.size()) ? 0 : 1);
    }
    close(out[1]);
    std::string answer;
    char buffer[256];
    for (ssize_t got; (got = read(out[0], buffer, sizeof buffer)) > 0;)
        answer.append(buffer, static_cast<std::size_t>(got));
    close(out[0]);
    waitpid(child, nullptr, 0);
    return answer;
}
