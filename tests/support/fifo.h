// A FIFO for tests of readers that must neither wait for a writer nor open
// a FIFO twice (Linux).
#ifndef FLATDOM_TESTS_SUPPORT_FIFO_H
#define FLATDOM_TESTS_SUPPORT_FIFO_H

#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>

// Made at path; with bytes, a thread of its own writes them to the first
// reader and closes. A reader that still waits to open it after kPatience
// (with no writer, or opening it a second time) is let go with nothing and
// Rescued() says so, so that a faulty reader fails its test instead of
// hanging it.
class Fifo {
  public:
    static constexpr std::chrono::seconds kPatience{5};

    Fifo(std::filesystem::path path, std::optional<std::string> bytes);
    ~Fifo();
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // Stops watching; true when a waiting reader had to be let go.
    bool Rescued();

  private:
    void Run(std::optional<std::string> bytes);

    std::filesystem::path m_path;
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_stop = false;
    std::atomic<bool> m_writing{false};
    std::atomic<bool> m_rescued{false};
    std::thread m_thread;
};

#endif
