// One HTTP(S) exchange through the system's transport: libcurl on POSIX systems (proxy from the
// usual environment variables), WinINet on Windows (the system's proxy settings). HTTPS
// certificates are verified, redirects are followed (at most kHttpMaxRedirects in a row: a
// redirect loop fails the exchange), nothing is cached.
//
// Safe from any thread; each call uses its own connection. Never throws except for lack of
// memory.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace pallograph {

// Redirects followed in one exchange; one more fails it.
inline constexpr int kHttpMaxRedirects = 10;

struct RHttpExchange {
  std::string Method = "GET";  // "GET" or "POST"
  std::string URL;
  // Header lines "Name: value". A line "Name:" without a value keeps the transport from sending
  // its own default for that header.
  std::vector<std::string> Headers;
  std::string Body;               // sent with POST
  int32_t ConnectTimeoutMs = -1;  // -1 or less leaves the transport's default
  // Milliseconds without any received byte after which the exchange fails; 0 or less = none.
  int32_t StallTimeoutMs = 0;
  // Milliseconds the whole exchange may take, redirects included, however steadily data arrives;
  // 0 or less = no limit.
  int32_t TotalTimeoutMs = 0;
  size_t MaxBodySize = 64u * 1024 * 1024;  // a longer response body fails the exchange
  bool KeepBody = true;                    // false drops the response body as it arrives
  // Polled during the exchange when given (several times a second, also while the transport
  // waits for the server): once true, the exchange ends as failed.
  const std::atomic<bool>* Cancel = nullptr;
};

// Why an exchange did not complete.
enum class THttpFailure {
  None,       // it completed
  Transport,  // the connection or the protocol failed; Detail says how
  TimeLimit,  // TotalTimeoutMs passed
  TooLarge,   // the response body passed MaxBodySize
  Redirects,  // more than kHttpMaxRedirects redirects in a row
  Cancelled,  // Cancel turned true
};

struct RHttpOutcome {
  // True when a response arrived and was read whole (any status).
  bool Completed = false;
  int32_t Status = 0;  // the HTTP status when Completed
  // When not Completed: the transport's error code of the failed step (libcurl's CURLcode on
  // POSIX, the WinINet / system error code on Windows); never 0.
  int32_t TransportError = 0;
  THttpFailure Failure = THttpFailure::None;
  // With THttpFailure::Transport: the transport's description of the failure, in English.
  std::string Detail;
  std::string Body;
};

RHttpOutcome ExchangeHttp(const RHttpExchange& exchange);

// Sets the transport up for the process; called by ExchangeHttp itself. Safe from several
// threads and more than once; never torn down (a detached sender may still be inside a
// transfer while the process exits).
void InitHttpTransport();

}  // namespace pallograph
