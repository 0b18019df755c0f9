#include "online/HttpFetch.h"

#include <exception>
#include <vector>

#include "platform/HttpTransport.h"
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

struct TAttempt {
  bool Ok = false;
  int32_t Code = 0;
  std::string Body;
};

TAttempt RunAttempt(const RIRequest& request, const std::vector<std::string>& headers) {
  RHttpExchange exchange;
  exchange.URL = request.URL;
  exchange.Headers = headers;
  exchange.ConnectTimeoutMs = request.ConnectTimeout;
  exchange.StallTimeoutMs = request.ReceiveTimeout;
  exchange.MaxBodySize = kHttpMaxBodySize;
  RHttpOutcome outcome = ExchangeHttp(exchange);
  TAttempt attempt;
  if (!outcome.Completed) {
    attempt.Code = outcome.TransportError;
    return attempt;
  }
  attempt.Body = std::move(outcome.Body);
  if (outcome.Status >= 400) {
    attempt.Code = outcome.Status;
    return attempt;
  }
  attempt.Ok = true;
  attempt.Code = 200;
  return attempt;
}

}  // namespace

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
  try {
    InitHttpLibrary();
    const std::vector<std::string> headers = BuildHeaders(request);
    for (int32_t i = 0; i < request.Attempts; ++i) {
      result.Error = false;
      try {
        TAttempt attempt = RunAttempt(request, headers);
        result.Text = std::move(attempt.Body);
        if (attempt.Ok) break;
        result.Error = true;
        result.Code = attempt.Code;
      } catch (const std::exception&) {
        result.Text.clear();
        result.Error = true;
        result.Code = -1;
      }
      SleepMs(kHttpRetryPauseMs);
    }
  } catch (const std::exception&) {
    result.Error = true;
    result.Code = -1;
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
