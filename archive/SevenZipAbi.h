// The archive library's binary interface as this program uses it: result codes, property value
// types, class and interface ids, and the interfaces (library objects and the callbacks and
// streams this program implements for it). Declared here from the library's published interface;
// only what the program needs.
//
// Layout rules: an interface is a struct of pure virtual methods with single inheritance and
// without a virtual destructor, so QueryInterface, AddRef and Release take slots 0 to 2 and an
// interface's own methods follow in declaration order. Every method is noexcept: no exception
// may cross into the library.
#pragma once

#include <cstdint>
#include <cstring>

#include "platform/ComAbi.h"

namespace pallograph::sevenzip {

using HRESULT = int32_t;
using PROPID = uint32_t;
using VARTYPE = uint16_t;
using BSTR = OleChar*;

inline constexpr HRESULT S_OK = 0;
inline constexpr HRESULT S_FALSE = 1;
inline constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001);
inline constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002);
inline constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004);
inline constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005);
inline constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000E);
inline constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057);
inline constexpr HRESULT kNegativeSeek = static_cast<HRESULT>(0x80070083);

inline constexpr VARTYPE VT_EMPTY = 0;
inline constexpr VARTYPE VT_BSTR = 8;
inline constexpr VARTYPE VT_BOOL = 11;
inline constexpr VARTYPE VT_UI4 = 19;
inline constexpr VARTYPE VT_UI8 = 21;
inline constexpr VARTYPE VT_FILETIME = 64;
inline constexpr int16_t VARIANT_TRUE = -1;
inline constexpr int16_t VARIANT_FALSE = 0;

// Item properties.
inline constexpr PROPID kpidPath = 3;
inline constexpr PROPID kpidName = 4;
inline constexpr PROPID kpidIsDir = 6;
inline constexpr PROPID kpidSize = 7;
inline constexpr PROPID kpidAttrib = 9;
inline constexpr PROPID kpidCTime = 10;
inline constexpr PROPID kpidATime = 11;
inline constexpr PROPID kpidMTime = 12;
inline constexpr PROPID kpidIsAnti = 21;
// Archive property: VT_UI4 bits of errors found while opening (1 << 5: unexpected end).
inline constexpr PROPID kpidErrorFlags = 71;

// Module properties (GetModuleProp) and their values.
inline constexpr PROPID kModulePropInterfaceType = 0;
inline constexpr PROPID kModulePropVersion = 1;
inline constexpr uint32_t kInterfaceTypeNoVirtualDestructor = 0;

// Extraction ask modes and operation results.
inline constexpr int32_t kAskExtract = 0;
inline constexpr int32_t kAskTest = 1;
inline constexpr int32_t kAskSkip = 2;
inline constexpr int32_t kOperationOk = 0;

inline constexpr uint32_t kSeekSet = 0;
inline constexpr uint32_t kSeekCur = 1;
inline constexpr uint32_t kSeekEnd = 2;

struct GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
};
static_assert(sizeof(GUID) == 16);

inline bool operator==(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, 16) == 0; }

struct FILETIME {
  uint32_t dwLowDateTime;
  uint32_t dwHighDateTime;
};

// A property value. The union also holds Windows' counted-pointer member, so a value declared
// here is at least as large as the library's on every platform (16 bytes on Linux, 24 on 64-bit
// Windows). Two consequences: never pass an array of values to the library (its stride differs),
// and write only `vt` and the union into a value the library hands in, never the whole struct.
struct PROPVARIANT {
  VARTYPE vt;
  uint16_t wReserved1;
  uint16_t wReserved2;
  uint16_t wReserved3;
  union {
    int16_t boolVal;
    uint32_t ulVal;
    uint64_t uhVal;
    FILETIME filetime;
    BSTR bstrVal;
    struct {
      uint32_t count;
      void* elements;
    } counted;
  };
};

// Interface ids {23170F69-40C1-278A-0000-00gg00ss0000}.
constexpr GUID InterfaceId(uint8_t group, uint8_t sub) {
  return GUID{0x23170F69, 0x40C1, 0x278A, {0, 0, 0, group, 0, sub, 0, 0}};
}

inline constexpr GUID IID_IUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr GUID IID_IProgress = InterfaceId(0x00, 0x05);
inline constexpr GUID IID_ISequentialInStream = InterfaceId(0x03, 0x01);
inline constexpr GUID IID_ISequentialOutStream = InterfaceId(0x03, 0x02);
inline constexpr GUID IID_IInStream = InterfaceId(0x03, 0x03);
inline constexpr GUID IID_IOutStream = InterfaceId(0x03, 0x04);
inline constexpr GUID IID_IStreamGetSize = InterfaceId(0x03, 0x06);
inline constexpr GUID IID_ICryptoGetTextPassword = InterfaceId(0x05, 0x10);
inline constexpr GUID IID_ICryptoGetTextPassword2 = InterfaceId(0x05, 0x11);
inline constexpr GUID IID_ISetProperties = InterfaceId(0x06, 0x03);
inline constexpr GUID IID_IArchiveOpenCallback = InterfaceId(0x06, 0x10);
inline constexpr GUID IID_IArchiveExtractCallback = InterfaceId(0x06, 0x20);
inline constexpr GUID IID_IInArchive = InterfaceId(0x06, 0x60);
inline constexpr GUID IID_IArchiveUpdateCallback = InterfaceId(0x06, 0x80);
inline constexpr GUID IID_IOutArchive = InterfaceId(0x06, 0xA0);

// The zip handler's class id {23170F69-40C1-278A-1000-000110010000}.
inline constexpr GUID kZipHandlerClassId = {
    0x23170F69, 0x40C1, 0x278A, {0x10, 0x00, 0x00, 0x01, 0x10, 0x01, 0x00, 0x00}};

struct IUnknown {
  virtual HRESULT QueryInterface(const GUID& iid, void** out) noexcept = 0;
  virtual uint32_t AddRef() noexcept = 0;
  virtual uint32_t Release() noexcept = 0;

 protected:
  ~IUnknown() = default;
};

struct ISequentialInStream : IUnknown {
  virtual HRESULT Read(void* data, uint32_t size, uint32_t* processedSize) noexcept = 0;

 protected:
  ~ISequentialInStream() = default;
};

struct ISequentialOutStream : IUnknown {
  virtual HRESULT Write(const void* data, uint32_t size, uint32_t* processedSize) noexcept = 0;

 protected:
  ~ISequentialOutStream() = default;
};

struct IInStream : ISequentialInStream {
  virtual HRESULT Seek(int64_t offset, uint32_t origin, uint64_t* newPosition) noexcept = 0;

 protected:
  ~IInStream() = default;
};

struct IOutStream : ISequentialOutStream {
  virtual HRESULT Seek(int64_t offset, uint32_t origin, uint64_t* newPosition) noexcept = 0;
  virtual HRESULT SetSize(uint64_t newSize) noexcept = 0;

 protected:
  ~IOutStream() = default;
};

struct IStreamGetSize : IUnknown {
  virtual HRESULT GetSize(uint64_t* size) noexcept = 0;

 protected:
  ~IStreamGetSize() = default;
};

struct IProgress : IUnknown {
  virtual HRESULT SetTotal(uint64_t total) noexcept = 0;
  virtual HRESULT SetCompleted(const uint64_t* completeValue) noexcept = 0;

 protected:
  ~IProgress() = default;
};

struct IArchiveOpenCallback : IUnknown {
  virtual HRESULT SetTotal(const uint64_t* files, const uint64_t* bytes) noexcept = 0;
  virtual HRESULT SetCompleted(const uint64_t* files, const uint64_t* bytes) noexcept = 0;

 protected:
  ~IArchiveOpenCallback() = default;
};

struct IArchiveExtractCallback : IProgress {
  virtual HRESULT GetStream(uint32_t index, ISequentialOutStream** outStream,
                            int32_t askExtractMode) noexcept = 0;
  virtual HRESULT PrepareOperation(int32_t askExtractMode) noexcept = 0;
  virtual HRESULT SetOperationResult(int32_t operationResult) noexcept = 0;

 protected:
  ~IArchiveExtractCallback() = default;
};

struct IArchiveUpdateCallback : IProgress {
  virtual HRESULT GetUpdateItemInfo(uint32_t index, int32_t* newData, int32_t* newProps,
                                    uint32_t* indexInArchive) noexcept = 0;
  virtual HRESULT GetProperty(uint32_t index, PROPID propId, PROPVARIANT* value) noexcept = 0;
  virtual HRESULT GetStream(uint32_t index, ISequentialInStream** inStream) noexcept = 0;
  virtual HRESULT SetOperationResult(int32_t operationResult) noexcept = 0;

 protected:
  ~IArchiveUpdateCallback() = default;
};

struct ICryptoGetTextPassword : IUnknown {
  virtual HRESULT CryptoGetTextPassword(BSTR* password) noexcept = 0;

 protected:
  ~ICryptoGetTextPassword() = default;
};

struct ICryptoGetTextPassword2 : IUnknown {
  virtual HRESULT CryptoGetTextPassword2(int32_t* passwordIsDefined, BSTR* password) noexcept = 0;

 protected:
  ~ICryptoGetTextPassword2() = default;
};

struct IInArchive : IUnknown {
  virtual HRESULT Open(IInStream* stream, const uint64_t* maxCheckStartPosition,
                       IArchiveOpenCallback* openCallback) noexcept = 0;
  virtual HRESULT Close() noexcept = 0;
  virtual HRESULT GetNumberOfItems(uint32_t* numItems) noexcept = 0;
  virtual HRESULT GetProperty(uint32_t index, PROPID propId, PROPVARIANT* value) noexcept = 0;
  virtual HRESULT Extract(const uint32_t* indices, uint32_t numItems, int32_t testMode,
                          IArchiveExtractCallback* callback) noexcept = 0;
  virtual HRESULT GetArchiveProperty(PROPID propId, PROPVARIANT* value) noexcept = 0;
  virtual HRESULT GetNumberOfProperties(uint32_t* numProps) noexcept = 0;
  virtual HRESULT GetPropertyInfo(uint32_t index, BSTR* name, PROPID* propId,
                                  VARTYPE* varType) noexcept = 0;
  virtual HRESULT GetNumberOfArchiveProperties(uint32_t* numProps) noexcept = 0;
  virtual HRESULT GetArchivePropertyInfo(uint32_t index, BSTR* name, PROPID* propId,
                                         VARTYPE* varType) noexcept = 0;

 protected:
  ~IInArchive() = default;
};

struct IOutArchive : IUnknown {
  virtual HRESULT UpdateItems(ISequentialOutStream* outStream, uint32_t numItems,
                              IArchiveUpdateCallback* callback) noexcept = 0;
  virtual HRESULT GetFileTimeType(uint32_t* type) noexcept = 0;

 protected:
  ~IOutArchive() = default;
};

struct ISetProperties : IUnknown {
  virtual HRESULT SetProperties(const wchar_t* const* names, const PROPVARIANT* values,
                                uint32_t numProps) noexcept = 0;

 protected:
  ~ISetProperties() = default;
};

// The module's exported functions.
using FnCreateObject = HRESULT (*)(const GUID* classId, const GUID* iid, void** outObject);
using FnGetHandlerProperty = HRESULT (*)(PROPID propId, PROPVARIANT* value);
using FnGetModuleProp = HRESULT (*)(PROPID propId, PROPVARIANT* value);

}  // namespace pallograph::sevenzip
