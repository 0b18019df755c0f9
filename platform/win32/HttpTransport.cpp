#include "platform/HttpTransport.h"

#include <windows.h>
// windows.h first: WinINet relies on its types.
#include <wininet.h>

#include <vector>

#include "platform/win32/WideApi.h"

namespace pallograph {

namespace {

// An Internet handle (session, connection or request), closed when the owner goes.
class TInternetHandle {
 public:
  explicit TInternetHandle(HINTERNET handle) : handle_(handle) {}
  ~TInternetHandle() {
    if (handle_) InternetCloseHandle(handle_);
  }
  TInternetHandle(const TInternetHandle&) = delete;
  TInternetHandle& operator=(const TInternetHandle&) = delete;
  HINTERNET Get() const { return handle_; }
  explicit operator bool() const { return handle_ != nullptr; }

 private:
  HINTERNET handle_;
};

RHttpOutcome Failed() {
  RHttpOutcome outcome;
  const DWORD error = GetLastError();
  outcome.TransportError = error != 0 ? static_cast<int32_t>(error) : ERROR_INTERNET_INTERNAL_ERROR;
  return outcome;
}

void SetTimeout(HINTERNET handle, DWORD option, int32_t milliseconds) {
  DWORD value = static_cast<DWORD>(milliseconds);
  InternetSetOptionW(handle, option, &value, sizeof(value));
}

// The header block: "Name: value" lines ended by CR LF. A line without a value only keeps the
// default away, which WinINet does by itself (no Accept types are given).
std::string HeaderBlock(const std::vector<std::string>& headers) {
  std::string block;
  for (const std::string& line : headers) {
    const size_t colon = line.find(':');
    if (colon == std::string::npos || line.find_first_not_of(' ', colon + 1) == std::string::npos) {
      continue;
    }
    block += line;
    block += "\r\n";
  }
  return block;
}

RHttpOutcome Cancelled() {
  RHttpOutcome outcome;
  outcome.TransportError = ERROR_INTERNET_OPERATION_CANCELLED;
  return outcome;
}

bool CancelRequested(const RHttpExchange& exchange) {
  return exchange.Cancel != nullptr && exchange.Cancel->load();
}

std::wstring Part(const wchar_t* text, DWORD length) {
  return text && length ? std::wstring(text, length) : std::wstring();
}

// nullptr for an empty text, as WinINet takes a missing value.
const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

}  // namespace

void InitHttpTransport() {}

RHttpOutcome ExchangeHttp(const RHttpExchange& exchange) {
  const std::wstring url = ToWide(exchange.URL);
  URL_COMPONENTSW parts{};
  parts.dwStructSize = sizeof(parts);
  // Non-zero lengths with null buffers: the parts point into the URL itself.
  parts.dwHostNameLength = 1;
  parts.dwUrlPathLength = 1;
  parts.dwExtraInfoLength = 1;
  parts.dwUserNameLength = 1;
  parts.dwPasswordLength = 1;
  if (url.size() > 0xFFFFFFF ||
      !InternetCrackUrlW(url.c_str(), static_cast<DWORD>(url.size()), 0, &parts)) {
    return Failed();
  }
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  if (!secure && parts.nScheme != INTERNET_SCHEME_HTTP) {
    RHttpOutcome outcome;
    outcome.TransportError = ERROR_INTERNET_UNRECOGNIZED_SCHEME;
    return outcome;
  }
  const std::wstring host = Part(parts.lpszHostName, parts.dwHostNameLength);
  std::wstring object = Part(parts.lpszUrlPath, parts.dwUrlPathLength) +
                        Part(parts.lpszExtraInfo, parts.dwExtraInfoLength);
  if (object.empty() || object[0] != L'/') object.insert(0, L"/");
  const std::wstring user = Part(parts.lpszUserName, parts.dwUserNameLength);
  const std::wstring password = Part(parts.lpszPassword, parts.dwPasswordLength);

  // The system's configured access: its proxy settings apply.
  const TInternetHandle session(
      InternetOpenW(nullptr, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return Failed();
  if (exchange.ConnectTimeoutMs >= 0) {
    SetTimeout(session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, exchange.ConnectTimeoutMs);
  }
  const TInternetHandle connection(InternetConnectW(session.Get(), host.c_str(), parts.nPort,
                                                    OrNull(user), OrNull(password),
                                                    INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return Failed();

  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES;
  if (secure) flags |= INTERNET_FLAG_SECURE;
  const TInternetHandle request(HttpOpenRequestW(connection.Get(), ToWide(exchange.Method).c_str(),
                                                 object.c_str(), nullptr, nullptr, nullptr, flags,
                                                 0));
  if (!request) return Failed();
  if (exchange.StallTimeoutMs > 0) {
    // Each receive waits at most this long, so a server that accepts and then says nothing
    // cannot hold the caller. Set on the request: not every WinINet passes a session's value
    // down.
    SetTimeout(request.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, exchange.StallTimeoutMs);
    SetTimeout(request.Get(), INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, exchange.StallTimeoutMs);
  }

  if (CancelRequested(exchange)) return Cancelled();
  const std::wstring headers = ToWide(HeaderBlock(exchange.Headers));
  const bool post = exchange.Method == "POST";
  if (post && exchange.Body.size() > 0x7FFFFFFF) return Failed();
  if (!HttpSendRequestW(request.Get(), OrNull(headers), static_cast<DWORD>(headers.size()),
                        post ? const_cast<char*>(exchange.Body.data()) : nullptr,
                        post ? static_cast<DWORD>(exchange.Body.size()) : 0)) {
    return Failed();
  }
  DWORD status = 0;
  DWORD statusSize = sizeof(status);
  if (!HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                      &statusSize, nullptr)) {
    return Failed();
  }
  // Some WinINets read a connection closed without any answer as a response without a status.
  if (status < 100) {
    RHttpOutcome invalid;
    invalid.TransportError = ERROR_HTTP_INVALID_SERVER_RESPONSE;
    return invalid;
  }

  RHttpOutcome outcome;
  std::vector<char> buffer(16384);
  size_t total = 0;
  for (;;) {
    if (CancelRequested(exchange)) return Cancelled();
    DWORD got = 0;
    if (!InternetReadFile(request.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got)) {
      return Failed();
    }
    if (got == 0) break;
    if (got > exchange.MaxBodySize - total) {
      RHttpOutcome tooLarge;
      tooLarge.TransportError = ERROR_INTERNET_INTERNAL_ERROR;
      return tooLarge;
    }
    total += got;
    if (exchange.KeepBody) outcome.Body.append(buffer.data(), got);
  }
  outcome.Completed = true;
  outcome.Status = static_cast<int32_t>(status);
  return outcome;
}

}  // namespace pallograph
