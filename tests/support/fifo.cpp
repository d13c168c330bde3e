#include "support/fifo.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

Fifo::Fifo(std::filesystem::path path, std::optional<std::string> bytes) : m_path(std::move(path)) {
    std::filesystem::remove(m_path);
    if (mkfifo(m_path.c_str(), 0600) != 0)
        throw std::filesystem::filesystem_error("mkfifo", m_path,
                                                std::error_code(errno, std::generic_category()));
    // A reader that leaves early must not end the test with SIGPIPE.
    signal(SIGPIPE, SIG_IGN);
    m_writing = bytes.has_value();
    m_thread = std::thread(&Fifo::Run, this, std::move(bytes));
}

Fifo::~Fifo() {
    Rescued();
    std::filesystem::remove(m_path);
}

bool Fifo::Rescued() {
    if (m_thread.joinable()) {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_stop = true;
        }
        m_done.notify_all();
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

void Fifo::Run(std::optional<std::string> bytes) {
    if (bytes) {
        const int fd = open(m_path.c_str(), O_WRONLY);  // waits for the first reader
        for (std::size_t at = 0; fd >= 0 && at < bytes->size();) {
            const ssize_t wrote = write(fd, bytes->data() + at, bytes->size() - at);
            if (wrote < 0 && errno == EINTR) continue;
            if (wrote <= 0) break;  // the reader left
            at += static_cast<std::size_t>(wrote);
        }
        if (fd >= 0) close(fd);
        m_writing = false;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    if (m_done.wait_for(lock, kPatience, [&] { return m_stop; })) return;
    // Someone waits in open(): a writer that comes and goes lets it on, to
    // the end of the FIFO at once.
    const int fd = open(m_path.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd >= 0) {
        m_rescued = true;
        close(fd);
    }
}
