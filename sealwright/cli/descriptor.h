// File descriptors as the command's files use them: closed when their scope
// ends, written to in full.
#ifndef SEALWRIGHT_CLI_DESCRIPTOR_H
#define SEALWRIGHT_CLI_DESCRIPTOR_H

#include <cstddef>

namespace cli {

// Closes fd; 0, or -1 with errno saying why.
int CloseDescriptor(int fd);

// A descriptor, closed when the scope ends however it ends, unless it is not
// the scope's own (a standard one).
class Descriptor {
  public:
    Descriptor(int fd, bool owned) : m_fd(fd), m_owned(owned) {}
    ~Descriptor() {
        if (m_owned && m_fd >= 0) CloseDescriptor(m_fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;

    int get() const { return m_fd; }
    // No longer the scope's to close.
    void Release() { m_fd = -1; }
    // Closes now: false when that fails (errno says why).
    bool CloseNow() {
        const int fd = m_fd;
        m_fd = -1;
        return !m_owned || CloseDescriptor(fd) == 0;
    }

  private:
    int m_fd;
    bool m_owned;
};

// Writes all size bytes to fd; false, errno saying why, when it cannot.
bool WriteAll(int fd, const void* bytes, std::size_t size);

}  // namespace cli

#endif
