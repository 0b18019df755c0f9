// The loaded archive library. T7zPlugin owns the module and its CreateObject export; T7zArchive
// adds the GetHandlerProperty export and the class id of the format handler that readers and
// writers create. Both are reference counted (AddRef/Release, atomic, starting at 1 for the
// creator); the module is released last, after every library object the derived classes hold.
#pragma once

#include <atomic>
#include <string>

#include "archive/SevenZipAbi.h"
#include "platform/DynamicLibrary.h"

namespace pallograph {

class T7zPlugin {
 public:
  // Loads the library at a program path. Throws ESevenZipError: "Error loading library %s" or
  // "%s is not a 7z library" (no CreateObject export).
  explicit T7zPlugin(const std::string& libraryPath);
  virtual ~T7zPlugin();
  T7zPlugin(const T7zPlugin&) = delete;
  T7zPlugin& operator=(const T7zPlugin&) = delete;

  uint32_t AddRef() noexcept { return refs_.fetch_add(1) + 1; }
  uint32_t Release() noexcept;

  const std::string& LibraryPath() const { return libraryPath_; }
  // Creates a library object with one reference handed to the caller. Throws ESevenZipError for
  // negative result codes only.
  void CreateObject(const sevenzip::GUID& classId, const sevenzip::GUID& iid, void** out) const;

 protected:
  // Address of an export of the module, nullptr when missing.
  void* Symbol(const char* name) const { return library_.Symbol(name); }
  // Unloads the module and throws ESevenZipError with the message.
  [[noreturn]] void Refuse(const std::string& message);
  // Refuses a module whose interfaces carry a virtual destructor (the layout of 7-Zip before 23
  // on POSIX), which these declarations cannot call.
  void CheckInterfaceLayout();

 private:
  std::string libraryPath_;
  TDynamicLibrary library_;
  sevenzip::FnCreateObject createObject_ = nullptr;
  std::atomic<uint32_t> refs_{1};
};

class T7zArchive : public T7zPlugin {
 public:
  // Throws as T7zPlugin, "%s is not a Format library" without the GetHandlerProperty export, and
  // refuses a module with the old interface layout.
  explicit T7zArchive(const std::string& libraryPath);

  void SetFormatId(const sevenzip::GUID& classId) { classId_ = classId; }
  const sevenzip::GUID& GetFormatId() const { return classId_; }

 protected:
  sevenzip::FnGetHandlerProperty getHandlerProperty_ = nullptr;

 private:
  sevenzip::GUID classId_{};
};

}  // namespace pallograph
