#include "support/fifo.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

Fifo::Fifo(std::filesystem::path path, std::string bytes) : m_path(std::move(path)) {
    std::filesystem::remove(m_path);
    if (mkfifo(m_path.c_str(), 0600) != 0)
        throw std::filesystem::filesystem_error("mkfifo", m_path,
                                                std::error_code(errno, std::generic_category()));
    signal(SIGPIPE, SIG_IGN);  // a reader that leaves early must not end the test
    m_thread = std::thread([this, bytes = std::move(bytes), stop = m_stop.get_future()] {
        const int fd = open(m_path.c_str(), O_WRONLY);  // waits for the first reader
        for (std::size_t at = 0; fd >= 0 && at < bytes.size();) {
            const ssize_t wrote = write(fd, bytes.data() + at, bytes.size() - at);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) break;  // the reader left
            at += static_cast<std::size_t>(wrote);
        }
        if (fd >= 0) close(fd);
        m_writing = false;
        if (stop.wait_for(kPatience) == std::future_status::ready) return;
        // Someone waits in open(): a writer that comes and goes lets it on,
        // to the end of the FIFO at once.
        const int late = open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
        if (late >= 0) {
            m_rescued = true;
            close(late);
        }
    });
}

Fifo::~Fifo() {
    Rescued();
    std::filesystem::remove(m_path);
}

bool Fifo::Rescued() {
    if (m_thread.joinable()) {
        m_stop.set_value();
        // A writer still waiting for its first reader opens with this one,
        // which leaves at once.
        if (m_writing) {
            const int fd = open(m_path.c_str(), O_RDONLY | O_NONBLOCK);
            if (fd >= 0) close(fd);
        }
        m_thread.join();
    }
    return m_rescued;
}
