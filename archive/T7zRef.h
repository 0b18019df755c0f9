// An owning reference to a reference-counted object: a library object (released through its
// interface) or one of the binding's own objects (reader, writer, callbacks, stream adapters).
// Releases its reference when it goes; copies add a reference. Not shared between threads: the
// library's own objects count their references without atomics.
#pragma once

#include <utility>

namespace pallograph {

template <class T>
class T7zRef {
 public:
  T7zRef() = default;
  T7zRef(const T7zRef& other) : object_(other.object_) {
    if (object_) object_->AddRef();
  }
  T7zRef(T7zRef&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  T7zRef& operator=(T7zRef other) noexcept {
    std::swap(object_, other.object_);
    return *this;
  }
  ~T7zRef() { Reset(); }

  // Takes over one reference that the caller already holds (a new object, an out parameter).
  static T7zRef Adopt(T* object) {
    T7zRef ref;
    ref.object_ = object;
    return ref;
  }
  // Adds a reference of its own.
  static T7zRef Share(T* object) {
    if (object) object->AddRef();
    return Adopt(object);
  }

  void Reset() {
    if (object_) std::exchange(object_, nullptr)->Release();
  }
  // Releases the current object and returns the slot for an out parameter that hands over one
  // reference.
  void** Put() {
    Reset();
    return reinterpret_cast<void**>(&object_);
  }
  // Gives up the reference without releasing it.
  T* Detach() { return std::exchange(object_, nullptr); }

  T* Get() const { return object_; }
  T* operator->() const { return object_; }
  T& operator*() const { return *object_; }
  explicit operator bool() const { return object_ != nullptr; }

 private:
  T* object_ = nullptr;
};

}  // namespace pallograph
