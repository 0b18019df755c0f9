#include "platform/HttpTransport.h"

#include <windows.h>
// windows.h first: WinINet relies on its types.
#include <wininet.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/win32/WideApi.h"

namespace pallograph {

namespace {

using TClock = std::chrono::steady_clock;

// How long one wait of the caller lasts before it looks at the cancel flag and the time limit.
constexpr auto kWaitSlice = std::chrono::milliseconds(50);

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

// The system's text for a WinINet or system error code, in English where the system has it.
std::string ErrorText(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD flags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS |
                      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_FROM_HMODULE;
  const DWORD length = FormatMessageW(flags, GetModuleHandleW(L"wininet.dll"), error,
                                      MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
                                      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string message =
      length > 0 && text != nullptr ? FromWide(std::wstring_view(text, length)) : std::string();
  if (text != nullptr) LocalFree(text);
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                              message.back() == ' ' || message.back() == '.')) {
    message.pop_back();
  }
  return message.empty() ? "WinINet error " + std::to_string(error)
                         : message + " (WinINet error " + std::to_string(error) + ")";
}

RHttpOutcome Failed(THttpFailure failure, DWORD error) {
  RHttpOutcome outcome;
  outcome.Failure = failure;
  outcome.TransportError = error != 0 ? static_cast<int32_t>(error) : ERROR_INTERNET_INTERNAL_ERROR;
  if (failure == THttpFailure::Transport) {
    outcome.Detail = ErrorText(static_cast<DWORD>(outcome.TransportError));
  }
  return outcome;
}

RHttpOutcome FailedFromLastError() { return Failed(THttpFailure::Transport, GetLastError()); }

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

std::wstring Part(const wchar_t* text, DWORD length) {
  return text && length ? std::wstring(text, length) : std::wstring();
}

// nullptr for an empty text, as WinINet takes a missing value.
const wchar_t* OrNull(const std::wstring& text) { return text.empty() ? nullptr : text.c_str(); }

// What the exchange's own thread shares with the caller: the caller may stop waiting (a cancel,
// the time limit) and leave the thread to end on its own, which it does at its next step.
struct TExchangeState {
  RHttpExchange Exchange;  // a copy; its Cancel is the caller's and stays unused here
  std::atomic<bool> Abandoned{false};
  std::mutex Mutex;
  std::condition_variable Changed;
  bool Finished = false;  // guarded by Mutex
  RHttpOutcome Outcome;   // guarded by Mutex
};

// One request and its answer: the outcome, or a redirect's absolute address in `redirect` and
// its status in `redirectStatus`.
RHttpOutcome ExchangeOnce(TExchangeState& state, const std::wstring& url, const std::string& method,
                          bool withBody, std::wstring& redirect, DWORD& redirectStatus) {
  const RHttpExchange& exchange = state.Exchange;
  redirect.clear();
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
    return FailedFromLastError();
  }
  const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
  if (!secure && parts.nScheme != INTERNET_SCHEME_HTTP) {
    return Failed(THttpFailure::Transport, ERROR_INTERNET_UNRECOGNIZED_SCHEME);
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
  if (!session) return FailedFromLastError();
  if (exchange.ConnectTimeoutMs >= 0) {
    SetTimeout(session.Get(), INTERNET_OPTION_CONNECT_TIMEOUT, exchange.ConnectTimeoutMs);
  }
  const TInternetHandle connection(InternetConnectW(session.Get(), host.c_str(), parts.nPort,
                                                    OrNull(user), OrNull(password),
                                                    INTERNET_SERVICE_HTTP, 0, 0));
  if (!connection) return FailedFromLastError();

  // Redirects are followed here, so that a redirect loop ends after kHttpMaxRedirects.
  DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE |
                INTERNET_FLAG_KEEP_CONNECTION | INTERNET_FLAG_NO_UI | INTERNET_FLAG_NO_COOKIES |
                INTERNET_FLAG_NO_AUTO_REDIRECT;
  if (secure) flags |= INTERNET_FLAG_SECURE;
  const TInternetHandle request(HttpOpenRequestW(connection.Get(), ToWide(method).c_str(),
                                                 object.c_str(), nullptr, nullptr, nullptr, flags,
                                                 0));
  if (!request) return FailedFromLastError();
  if (exchange.StallTimeoutMs > 0) {
    // Each receive waits at most this long, so a server that accepts and then says nothing
    // cannot hold the thread. Set on the request: not every WinINet passes a session's value
    // down.
    SetTimeout(request.Get(), INTERNET_OPTION_RECEIVE_TIMEOUT, exchange.StallTimeoutMs);
    SetTimeout(request.Get(), INTERNET_OPTION_DATA_RECEIVE_TIMEOUT, exchange.StallTimeoutMs);
  }

  if (state.Abandoned.load())
    return Failed(THttpFailure::Cancelled, ERROR_INTERNET_OPERATION_CANCELLED);
  const std::wstring headers = ToWide(HeaderBlock(exchange.Headers));
  if (withBody && exchange.Body.size() > 0x7FFFFFFF) return FailedFromLastError();
  if (!HttpSendRequestW(request.Get(), OrNull(headers), static_cast<DWORD>(headers.size()),
                        withBody ? const_cast<char*>(exchange.Body.data()) : nullptr,
                        withBody ? static_cast<DWORD>(exchange.Body.size()) : 0)) {
    return FailedFromLastError();
  }
  DWORD status = 0;
  DWORD statusSize = sizeof(status);
  if (!HttpQueryInfoW(request.Get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status,
                      &statusSize, nullptr)) {
    return FailedFromLastError();
  }
  // Some WinINets read a connection closed without any answer as a response without a status.
  if (status < 100) return Failed(THttpFailure::Transport, ERROR_HTTP_INVALID_SERVER_RESPONSE);

  if (status == 301 || status == 302 || status == 303 || status == 307 || status == 308) {
    std::vector<wchar_t> location(1024);
    DWORD size = static_cast<DWORD>(location.size() * sizeof(wchar_t));
    if (!HttpQueryInfoW(request.Get(), HTTP_QUERY_LOCATION, location.data(), &size, nullptr)) {
      if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) return FailedFromLastError();
      location.resize(size / sizeof(wchar_t) + 1);
      size = static_cast<DWORD>(location.size() * sizeof(wchar_t));
      if (!HttpQueryInfoW(request.Get(), HTTP_QUERY_LOCATION, location.data(), &size, nullptr)) {
        return FailedFromLastError();
      }
    }
    std::vector<wchar_t> combined(4096);
    DWORD length = static_cast<DWORD>(combined.size());
    if (!InternetCombineUrlW(url.c_str(), location.data(), combined.data(), &length,
                             ICU_NO_ENCODE)) {
      return FailedFromLastError();
    }
    redirect.assign(combined.data(), length);
    redirectStatus = status;
    return {};
  }

  RHttpOutcome outcome;
  std::vector<char> buffer(16384);
  size_t total = 0;
  for (;;) {
    if (state.Abandoned.load())
      return Failed(THttpFailure::Cancelled, ERROR_INTERNET_OPERATION_CANCELLED);
    DWORD got = 0;
    if (!InternetReadFile(request.Get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got)) {
      return FailedFromLastError();
    }
    if (got == 0) break;
    if (got > exchange.MaxBodySize - total) {
      return Failed(THttpFailure::TooLarge, ERROR_INTERNET_INTERNAL_ERROR);
    }
    total += got;
    if (exchange.KeepBody) outcome.Body.append(buffer.data(), got);
  }
  outcome.Completed = true;
  outcome.Status = static_cast<int32_t>(status);
  return outcome;
}

// The whole exchange on its own thread: the request and the redirects it is sent on.
RHttpOutcome RunExchange(TExchangeState& state) {
  std::wstring url = ToWide(state.Exchange.URL);
  std::string method = state.Exchange.Method;
  bool withBody = method == "POST";
  for (int redirects = 0;; ++redirects) {
    std::wstring redirect;
    DWORD status = 0;
    RHttpOutcome outcome = ExchangeOnce(state, url, method, withBody, redirect, status);
    if (redirect.empty()) return outcome;
    if (redirects == kHttpMaxRedirects) {
      return Failed(THttpFailure::Redirects, ERROR_HTTP_REDIRECT_FAILED);
    }
    url = redirect;
    // As browsers do: after a redirect other than 307 and 308, a form post becomes a GET.
    if (withBody && status != 307 && status != 308) {
      method = "GET";
      withBody = false;
    }
  }
}

}  // namespace

void InitHttpTransport() {}

RHttpOutcome ExchangeHttp(const RHttpExchange& exchange) {
  if (exchange.Cancel != nullptr && exchange.Cancel->load()) {
    return Failed(THttpFailure::Cancelled, ERROR_INTERNET_OPERATION_CANCELLED);
  }
  auto state = std::make_shared<TExchangeState>();
  state->Exchange = exchange;
  state->Exchange.Cancel = nullptr;
  std::thread worker([state] {
    RHttpOutcome outcome;
    try {
      outcome = RunExchange(*state);
    } catch (...) {
      outcome = Failed(THttpFailure::Transport, ERROR_NOT_ENOUGH_MEMORY);
    }
    const std::lock_guard<std::mutex> lock(state->Mutex);
    state->Outcome = std::move(outcome);
    state->Finished = true;
    state->Changed.notify_all();
  });

  // The caller waits in slices: a cancel or the time limit ends the wait even while WinINet
  // blocks in a call; the thread is then left to end on its own.
  const auto deadline =
      TClock::now() +
      std::chrono::milliseconds(exchange.TotalTimeoutMs > 0 ? exchange.TotalTimeoutMs : 0);
  THttpFailure gaveUp = THttpFailure::None;
  {
    std::unique_lock<std::mutex> lock(state->Mutex);
    while (!state->Finished) {
      state->Changed.wait_for(lock, kWaitSlice);
      if (state->Finished) break;
      if (exchange.Cancel != nullptr && exchange.Cancel->load()) {
        gaveUp = THttpFailure::Cancelled;
        break;
      }
      if (exchange.TotalTimeoutMs > 0 && TClock::now() >= deadline) {
        gaveUp = THttpFailure::TimeLimit;
        break;
      }
    }
  }
  if (gaveUp == THttpFailure::None) {
    worker.join();
    const std::lock_guard<std::mutex> lock(state->Mutex);
    return std::move(state->Outcome);
  }
  state->Abandoned.store(true);
  worker.detach();
  return Failed(gaveUp, gaveUp == THttpFailure::Cancelled ? ERROR_INTERNET_OPERATION_CANCELLED
                                                          : ERROR_INTERNET_TIMEOUT);
}

}  // namespace pallograph
