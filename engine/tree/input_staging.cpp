#include "input_staging.h"

#include <algorithm>
#include <cstring>

namespace engine::tree {

InputStaging::~InputStaging() {
    if (!m_staged.empty()) explicit_bzero(m_staged.data(), m_staged.size());
}

long InputStaging::Give(char* buffer, std::size_t size) {
    if (m_stagedAt == m_stagedEnd && !Stage()) return -1;
    const std::size_t given = std::min(size, m_stagedEnd - m_stagedAt);
    std::memcpy(buffer, m_staged.data() + m_stagedAt, given);
    m_stagedAt += given;
    if (given == 0) m_ended = true;
    return static_cast<long>(given);
}

bool InputStaging::Stage() {
    if (m_staged.empty()) m_staged.resize(kChunk);
    m_stagedAt = 0;
    m_stagedEnd = 0;
    while (!m_sourceEnded && m_stagedEnd < m_staged.size()) {
        const std::size_t wanted = m_staged.size() - m_stagedEnd;
        const long got = m_source->Read(m_staged.data() + m_stagedEnd, wanted);
        if (got < 0 || static_cast<std::size_t>(got) > wanted) return false;
        if (got == 0) m_sourceEnded = true;
        m_stagedEnd += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace engine::tree
