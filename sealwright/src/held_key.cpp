#include "held_key.h"

#include <memory>
#include <mutex>

#include "format.h"
#include "secret_memory.h"

namespace sealwright {
namespace {

// The key lives in secret memory of its own (out of core dumps), made when
// the first key is handed over and wiped and freed when the library unloads.
class Held {
  public:
    void Hold(const Key& key, const std::string& warning) {
        std::string copy = warning;  // any allocation before the key changes
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_key) m_key = std::make_unique<SecretKey>();
        m_key->get() = key;
        m_warning.swap(copy);
        m_held = true;
    }
    void Forget() noexcept {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_key) Wipe(m_key->get().data(), m_key->get().size());
        m_warning.clear();
        m_held = false;
    }
    bool Get(Key& key, std::string& warning) {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_held) return false;
        warning = m_warning;
        key = m_key->get();
        return true;
    }

  private:
    std::mutex m_mutex;
    std::unique_ptr<SecretKey> m_key;  // wiped as it goes
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
