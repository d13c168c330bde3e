// The shared base of every engine object: reference counting, QueryInterface
// over the interfaces the object answers, and the count of live objects.
#ifndef FLATDOM_ENGINE_COM_COM_OBJECT_H
#define FLATDOM_ENGINE_COM_COM_OBJECT_H

#include <flatdom/platform/msxml.h>

#include <atomic>

namespace engine::com {

std::atomic<long>& LiveObjects();

template <class Interface>
class ComObject : public Interface {
  public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || Answers(riid)) {
            *ppv = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++m_refs; }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG left = --m_refs;
        if (left == 0) Destroy();
        return left;
    }

  protected:
    // Ends the object once its last reference is gone.
    virtual void Destroy() { delete this; }
    ComObject() { ++LiveObjects(); }
    virtual ~ComObject() { --LiveObjects(); }
    // The interfaces besides IUnknown that this object answers.
    virtual bool Answers(REFIID riid) const = 0;

  private:
    ULONG m_refs = 1;
};

}  // namespace engine::com

#endif
