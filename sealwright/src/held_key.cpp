#include "held_key.h"

#include <mutex>

#include "format.h"

namespace sealwright {
namespace {

class Held {
  public:
    ~Held() { Wipe(m_key.data(), m_key.size()); }

    void Hold(const Key& key, const std::string& warning) {
        std::string copy = warning;  // any allocation before the key changes
        std::lock_guard<std::mutex> lock(m_mutex);
        m_key = key;
        m_warning.swap(copy);
        m_held = true;
    }
    void Forget() noexcept {
        std::lock_guard<std::mutex> lock(m_mutex);
        Wipe(m_key.data(), m_key.size());
        m_warning.clear();
        m_held = false;
    }
    bool Get(Key& key, std::string& warning) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_held) return false;
        warning = m_warning;
        key = m_key;
        return true;
    }

  private:
    std::mutex m_mutex;
    Key m_key{};
    std::string m_warning;
    bool m_held = false;
};

Held g_held;

}  // namespace

void HoldKey(const Key& key, const std::string& warning) {
    g_held.Hold(key, warning);
}

void ForgetHeldKey() noexcept {
    g_held.Forget();
}

bool HeldKey(Key& key, std::string& warning) {
    return g_held.Get(key, warning);
}

}  // namespace sealwright
