#include "input_window.h"

#include <string.h>

#include <algorithm>
#include <cstring>

namespace engine::tree::reader {

InputWindow::~InputWindow() {
    Wipe();
}

void InputWindow::Wipe() {
    if (m_data) explicit_bzero(m_data.get(), m_capacity + kPadding);
}

InputWindow::Fill InputWindow::Refill(char*& keep) {
    m_lastRead = 0;
    if (m_ended) return Fill::kEnded;
    const std::size_t kept = m_data ? static_cast<std::size_t>(m_end - keep) : 0;
    if (!m_data || (kept > m_capacity / 2 && m_capacity < kLongestPiece)) {
        // The piece kept fills much of the buffer: one twice as large.
        const std::size_t capacity = std::max(m_chunk, std::min(2 * m_capacity, kLongestPiece));
        std::unique_ptr<char[]> data(new char[capacity + kPadding]);
        if (kept > 0) std::memcpy(data.get(), keep, kept);
        Wipe();
        m_data = std::move(data);
        m_capacity = capacity;
    } else if (kept == m_capacity) {
        return Fill::kTooLong;
    } else if (kept > 0) {
        std::memmove(m_data.get(), keep, kept);
    }
    keep = m_data.get();
    m_end = keep + kept;
    // The buffer filled as far as the source allows: a file takes a system
    // call per piece.
    char* const limit = m_data.get() + m_capacity;
    while (m_end < limit) {
        const auto wanted = static_cast<std::size_t>(limit - m_end);
        const long got = m_source.Read(m_end, wanted);
        if (got < 0 || static_cast<std::size_t>(got) > wanted) {
            std::memset(m_end, 0, kPadding);
            return Fill::kFailed;
        }
        if (got == 0) {
            m_ended = true;
            break;
        }
        m_end += got;
        m_lastRead += static_cast<std::size_t>(got);
    }
    std::memset(m_end, 0, kPadding);
    return m_lastRead > 0 ? Fill::kMore : Fill::kEnded;
}

}  // namespace engine::tree::reader
