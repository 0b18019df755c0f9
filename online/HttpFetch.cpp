#include "online/HttpFetch.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <optional>
#include <vector>

#include "platform/HttpTransport.h"
#include "platform/IntegerText.h"
#include "platform/Interrupt.h"
#include "platform/PathText.h"
#include "platform/System.h"

namespace pallograph {

namespace {

std::vector<std::string> BuildHeaders(const RIRequest& request) {
  std::vector<std::string> headers;
  if (!request.UserAgent.empty()) headers.push_back("User-Agent: " + request.UserAgent);
  if (!request.AcceptLanguage.empty())
    headers.push_back("Accept-Language: " + request.AcceptLanguage);
  // "Accept:" with no value keeps the transport from sending its own default.
  headers.push_back(request.Accept.empty() ? std::string("Accept:") : "Accept: " + request.Accept);
  // No cache between us and the server may answer for it.
  headers.push_back("Cache-Control: no-cache");
  headers.push_back("Pragma: no-cache");
  return headers;
}

using TClock = std::chrono::steady_clock;

// How long one slice of the pause between attempts lasts before a stop request is looked at.
constexpr unsigned kPauseSliceMs = 50;

struct TAttempt {
  bool Ok = false;
  int32_t Code = 0;
  std::string Reason;
  bool TooLarge = false;
  // No further attempt helps: an answer too large or a redirect loop comes again, and the time
  // of the whole fetch is spent.
  bool Final = false;
  std::string Body;
};

// "20 s" for whole seconds, else "1500 ms".
std::string DurationText(int32_t milliseconds) {
  if (milliseconds % 1000 == 0) return std::to_string(milliseconds / 1000) + " s";
  return std::to_string(milliseconds) + " ms";
}

std::string FailureReason(const RHttpOutcome& outcome, const RIRequest& request) {
  switch (outcome.Failure) {
    case THttpFailure::TimeLimit:
      return "no complete answer within " + DurationText(request.TotalTimeout);
    case THttpFailure::TooLarge:
      return "the answer is larger than " + ByteSizeText(request.MaxBodySize);
    case THttpFailure::Redirects:
      return "too many redirects (more than " + std::to_string(kHttpMaxRedirects) +
             "; a redirect loop?)";
    case THttpFailure::Cancelled:
      return "stopped";
    case THttpFailure::None:
    case THttpFailure::Transport:
      break;
  }
  return outcome.Detail.empty() ? "error " + std::to_string(outcome.TransportError)
                                : outcome.Detail;
}

// One attempt with at most `limitMs` milliseconds (0: no limit).
TAttempt RunAttempt(const RIRequest& request, const std::vector<std::string>& headers,
                    int32_t limitMs) {
  RHttpExchange exchange;
  exchange.URL = request.URL;
  exchange.Headers = headers;
  exchange.ConnectTimeoutMs = request.ConnectTimeout;
  exchange.StallTimeoutMs = request.ReceiveTimeout;
  exchange.TotalTimeoutMs = limitMs;
  exchange.MaxBodySize = request.MaxBodySize;
  exchange.Cancel = &InterruptFlag();
  RHttpOutcome outcome = ExchangeHttp(exchange);
  TAttempt attempt;
  if (!outcome.Completed) {
    attempt.Code = outcome.TransportError;
    // The limit of this attempt is what was left of the whole fetch's: the reason names the whole.
    attempt.Reason = FailureReason(outcome, request);
    attempt.TooLarge = outcome.Failure == THttpFailure::TooLarge;
    attempt.Final = attempt.TooLarge || outcome.Failure == THttpFailure::Redirects ||
                    outcome.Failure == THttpFailure::TimeLimit;
    return attempt;
  }
  attempt.Body = std::move(outcome.Body);
  if (outcome.Status >= 400) {
    attempt.Code = outcome.Status;
    attempt.Reason = "HTTP status " + std::to_string(outcome.Status);
    return attempt;
  }
  attempt.Ok = true;
  attempt.Code = 200;
  return attempt;
}

// Milliseconds left until `deadline`; 0 when none is set, at least 1 otherwise (a passed
// deadline is told by Passed).
int32_t LeftMs(const std::optional<TClock::time_point>& deadline) {
  if (!deadline) return 0;
  const auto left =
      std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - TClock::now()).count();
  return static_cast<int32_t>(std::max<int64_t>(left, 1));
}

bool Passed(const std::optional<TClock::time_point>& deadline) {
  return deadline && TClock::now() >= *deadline;
}

// The pause after a failed attempt, cut short by a stop request or the deadline.
void Pause(const std::optional<TClock::time_point>& deadline) {
  for (unsigned paused = 0; paused < kHttpRetryPauseMs; paused += kPauseSliceMs) {
    if (InterruptRequested() || Passed(deadline)) return;
    SleepMs(std::min(kPauseSliceMs, kHttpRetryPauseMs - paused));
  }
}

}  // namespace

int32_t DownloadTimeLimitMs() {
  int64_t seconds = 0;
  if (ParseDecimal(Trim(GetEnvironmentText(kDownloadTimeoutVariable)), seconds) && seconds >= 1 &&
      seconds <= 3600) {
    return static_cast<int32_t>(seconds * 1000);
  }
  return kHttpDownloadLimitMs;
}

std::string ByteSizeText(size_t bytes) {
  constexpr size_t kKiB = 1024, kMiB = 1024 * 1024;
  if (bytes >= kMiB && bytes % kMiB == 0) return std::to_string(bytes / kMiB) + " MiB";
  if (bytes >= kKiB && bytes % kKiB == 0) return std::to_string(bytes / kKiB) + " KiB";
  return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
}

void InitHttpLibrary() { InitHttpTransport(); }

RIURI ParseURI(const std::string& url) {
  RIURI uri;
  std::string_view rest = url;
  if (const size_t scheme = rest.find("://"); scheme != std::string_view::npos) {
    uri.Protocol = std::string(rest.substr(0, scheme));
    rest.remove_prefix(scheme + 3);
  }
  const size_t authorityEnd = rest.find_first_of("/?#");
  std::string_view authority = rest.substr(0, authorityEnd);
  if (authorityEnd == std::string_view::npos)
    uri.Path = "/";
  else if (rest[authorityEnd] == '/')
    uri.Path = std::string(rest.substr(authorityEnd));
  else
    uri.Path = "/" + std::string(rest.substr(authorityEnd));
  if (const size_t at = authority.rfind('@'); at != std::string_view::npos) {
    const std::string_view user = authority.substr(0, at);
    const size_t colon = user.find(':');
    uri.UserName = std::string(user.substr(0, colon));
    if (colon != std::string_view::npos) uri.Password = std::string(user.substr(colon + 1));
    authority.remove_prefix(at + 1);
  }
  // An IPv6 host stands in brackets; the port follows the closing bracket.
  const size_t bracket = authority.rfind(']');
  const size_t colon = authority.rfind(':');
  if (colon != std::string_view::npos && (bracket == std::string_view::npos || colon > bracket)) {
    uri.Port = std::string(authority.substr(colon + 1));
    authority = authority.substr(0, colon);
  }
  uri.Host = std::string(authority);
  uri.IsHTTPS = UpperCaseAscii(uri.Protocol).find("HTTPS") != std::string::npos;
  return uri;
}

void InitRequest(RIRequest& request, const std::string& url, const std::string& userAgent,
                 int32_t connectTimeout, int32_t attempts, bool keepAlive, int32_t receiveTimeout) {
  request.URL = url;
  request.UserAgent = userAgent;
  request.AcceptLanguage.clear();
  request.Accept.clear();
  request.ConnectTimeout = connectTimeout;
  request.ReceiveTimeout = receiveTimeout;
  request.KeepAlive = keepAlive;
  request.Attempts = attempts;
  request.IsHTTPS = ParseURI(url).IsHTTPS;
}

void InitRequestFull(RIRequest& request, const std::string& url, const std::string& userAgent,
                     const std::string& acceptLanguage, const std::string& accept,
                     int32_t connectTimeout, int32_t attempts, bool keepAlive,
                     int32_t receiveTimeout) {
  InitRequest(request, url, userAgent, connectTimeout, attempts, keepAlive, receiveTimeout);
  request.AcceptLanguage = acceptLanguage;
  request.Accept = accept;
}

void HttpGet(const RIRequest& request, RIStringResult& result) {
  result.Text.clear();
  result.Empty = true;
  result.Error = false;
  result.Code = 0;
  result.Reason.clear();
  result.TooLarge = false;
  std::optional<TClock::time_point> deadline;
  if (request.TotalTimeout > 0) {
    deadline = TClock::now() + std::chrono::milliseconds(request.TotalTimeout);
  }
  try {
    InitHttpLibrary();
    const std::vector<std::string> headers = BuildHeaders(request);
    for (int32_t i = 0; i < request.Attempts; ++i) {
      result.Error = false;
      result.Reason.clear();
      result.TooLarge = false;
      bool final = false;
      try {
        TAttempt attempt = RunAttempt(request, headers, LeftMs(deadline));
        result.Text = std::move(attempt.Body);
        if (attempt.Ok) break;
        result.Error = true;
        result.Code = attempt.Code;
        result.Reason = std::move(attempt.Reason);
        result.TooLarge = attempt.TooLarge;
        final = attempt.Final;
      } catch (const std::exception&) {
        result.Text.clear();
        result.Error = true;
        result.Code = -1;
        result.Reason = "out of memory";
      }
      if (InterruptRequested()) {
        result.Reason = "stopped";
        break;
      }
      // No pause after the last attempt, nor another attempt that cannot succeed.
      if (final || i + 1 == request.Attempts || Passed(deadline)) break;
      Pause(deadline);
      if (Passed(deadline)) break;
    }
  } catch (const std::exception&) {
    result.Error = true;
    result.Code = -1;
    result.Reason = "out of memory";
  }
  result.Empty = result.Text.empty();
  if (!result.Error) result.Code = 200;
}

void HttpGetText(const RIRequest& request, RIStringResult& result) {
  HttpGet(request, result);
  if (result.Error || result.Empty) return;
  // The body is UTF-8, the program's text; a byte-order mark is dropped.
  if (StartsWith(result.Text, "\xEF\xBB\xBF")) result.Text.erase(0, 3);
  result.Empty = result.Text.empty();
}

}  // namespace pallograph
