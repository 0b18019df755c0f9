#include "archive/T7zPlugin.h"

#include "archive/ESevenZipError.h"
#include "archive/WideText.h"

namespace pallograph {

T7zPlugin::T7zPlugin(const std::string& libraryPath) : libraryPath_(libraryPath) {
  if (!library_.Load(libraryPath)) throw ESevenZipError("Error loading library " + libraryPath);
  createObject_ = reinterpret_cast<sevenzip::FnCreateObject>(Symbol("CreateObject"));
  if (!createObject_) Refuse(libraryPath + " is not a 7z library");
}

T7zPlugin::~T7zPlugin() = default;

uint32_t T7zPlugin::Release() noexcept {
  const uint32_t left = refs_.fetch_sub(1) - 1;
  if (left == 0) delete this;
  return left;
}

void T7zPlugin::Refuse(const std::string& message) {
  createObject_ = nullptr;
  library_.Unload();
  throw ESevenZipError(message);
}

// Our interface declarations have no virtual destructor in IUnknown; a module built with one
// puts two extra slots before every method, and calling it would jump to the wrong functions.
void T7zPlugin::CheckInterfaceLayout() {
  const auto getModuleProp = reinterpret_cast<sevenzip::FnGetModuleProp>(Symbol("GetModuleProp"));
  if (!getModuleProp) {
    if (ModuleWithoutInterfaceTypeHasVirtualDestructor()) {
      Refuse(libraryPath_ +
             " is a 7z library with the old interface layout (virtual destructor in IUnknown); "
             "a library of 7-Zip 23 or later is needed");
    }
    return;
  }
  TPropVariant type;
  const sevenzip::HRESULT result = getModuleProp(sevenzip::kModulePropInterfaceType, type.Out());
  if (result == sevenzip::S_OK && type.Value().vt == sevenzip::VT_UI4 &&
      type.Value().ulVal != sevenzip::kInterfaceTypeNoVirtualDestructor) {
    Refuse(libraryPath_ +
           " is a 7z library with an unsupported interface layout (virtual destructor in "
           "IUnknown); a library built without it is needed");
  }
}

void T7zPlugin::CreateObject(const sevenzip::GUID& classId, const sevenzip::GUID& iid,
                             void** out) const {
  *out = nullptr;
  const sevenzip::HRESULT result = createObject_(&classId, &iid, out);
  if (result < 0) throw ESevenZipError(ResultCodeText(result), result);
}

T7zArchive::T7zArchive(const std::string& libraryPath) : T7zPlugin(libraryPath) {
  getHandlerProperty_ =
      reinterpret_cast<sevenzip::FnGetHandlerProperty>(Symbol("GetHandlerProperty"));
  if (!getHandlerProperty_) Refuse(libraryPath + " is not a Format library");
  CheckInterfaceLayout();
}

}  // namespace pallograph
