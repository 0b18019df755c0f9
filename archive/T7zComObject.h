// Base of the objects this program hands to the archive library (callbacks and stream adapters):
// an atomic reference count (the library may add and release references from its own threads),
// starting at 1 for the creator, and self-deletion at 0. `Derived` must be final and implements
// QueryInterface with Answer().
#pragma once

#include <atomic>
#include <utility>

#include "archive/SevenZipAbi.h"
#include "archive/T7zRef.h"

namespace pallograph {

template <class Derived, class... Interfaces>
class T7zComObject : public Interfaces... {
 public:
  uint32_t AddRef() noexcept override { return refs_.fetch_add(1) + 1; }
  uint32_t Release() noexcept override {
    const uint32_t left = refs_.fetch_sub(1) - 1;
    if (left == 0) delete static_cast<Derived*>(this);
    return left;
  }

 protected:
  T7zComObject() = default;
  ~T7zComObject() = default;
  T7zComObject(const T7zComObject&) = delete;
  T7zComObject& operator=(const T7zComObject&) = delete;

  // Hands out `iface` (nullptr when not supported) through a QueryInterface out parameter.
  sevenzip::HRESULT Answer(void* iface, void** out) noexcept {
    if (!out) return sevenzip::E_INVALIDARG;
    *out = iface;
    if (!iface) return sevenzip::E_NOINTERFACE;
    AddRef();
    return sevenzip::S_OK;
  }

 private:
  std::atomic<uint32_t> refs_{1};
};

// Creates one of the binding's own objects, owned by the returned reference.
template <class T, class... Args>
T7zRef<T> MakeComObject(Args&&... args) {
  return T7zRef<T>::Adopt(new T(std::forward<Args>(args)...));
}

}  // namespace pallograph
