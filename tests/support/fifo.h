// A FIFO for tests of readers that must not open a FIFO twice (Linux).
#ifndef FLATDOM_TESTS_SUPPORT_FIFO_H
#define FLATDOM_TESTS_SUPPORT_FIFO_H

#include <atomic>
#include <chrono>
#include <filesystem>
#include <future>
#include <string>
#include <thread>

// Made at path; a thread of its own writes bytes to the first reader and
// closes. A reader that still waits to open it after kPatience (opening it a
// second time) is let go with nothing and Rescued() says so, so that a
// faulty reader fails its test instead of hanging it.
class Fifo {
  public:
    static constexpr std::chrono::seconds kPatience{5};

    Fifo(std::filesystem::path path, std::string bytes);
    ~Fifo();
    Fifo(const Fifo&) = delete;
    Fifo& operator=(const Fifo&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // Stops watching; true when a waiting reader had to be let go.
    bool Rescued();

  private:
    std::filesystem::path m_path;
    std::promise<void> m_stop;
    std::atomic<bool> m_writing{true};
    std::atomic<bool> m_rescued{false};
    std::thread m_thread;
};

#endif
