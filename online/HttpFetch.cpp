#include "online/HttpFetch.h"

#include <curl/curl.h>

#include <exception>
#include <memory>

#include "platform/PathText.h"
#include "platform/System.h"
#include "platform/Utf8Text.h"

namespace pallograph {

namespace {

struct TCurlEasyCloser {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using TCurlEasy = std::unique_ptr<CURL, TCurlEasyCloser>;

struct TCurlListCloser {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using TCurlList = std::unique_ptr<curl_slist, TCurlListCloser>;

void Append(TCurlList& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown == nullptr) throw std::bad_alloc();
  (void)list.release();
  list.reset(grown);
}

struct TBody {
  std::string Data;
  bool TooLarge = false;
};

// Called by libcurl on this thread; returning less than it was given ends the transfer.
size_t WriteBody(char* data, size_t size, size_t count, void* user) noexcept {
  auto* body = static_cast<TBody*>(user);
  const size_t bytes = size * count;
  if (bytes > kHttpMaxBodySize - body->Data.size()) {
    body->TooLarge = true;
    return 0;
  }
  try {
    body->Data.append(data, bytes);
  } catch (...) {
    return 0;
  }
  return bytes;
}

TCurlList BuildHeaders(const RIRequest& request) {
  TCurlList headers;
  if (!request.UserAgent.empty()) Append(headers, "User-Agent: " + request.UserAgent);
  if (!request.AcceptLanguage.empty())
    Append(headers, "Accept-Language: " + request.AcceptLanguage);
  // "Accept:" with no value keeps libcurl from sending its own default.
  Append(headers, request.Accept.empty() ? std::string("Accept:") : "Accept: " + request.Accept);
  // No cache between us and the server may answer for it.
  Append(headers, "Cache-Control: no-cache");
  Append(headers, "Pragma: no-cache");
  return headers;
}

struct TAttempt {
  bool Ok = false;
  int32_t Code = 0;
  std::string Body;
};

TAttempt RunAttempt(const RIRequest& request, curl_slist* headers) {
  TAttempt attempt;
  TCurlEasy easy(curl_easy_init());
  if (!easy) {
    attempt.Code = CURLE_FAILED_INIT;
    return attempt;
  }
  CURL* h = easy.get();
  TBody body;
  curl_easy_setopt(h, CURLOPT_URL, request.URL.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kHttpMaxBodySize));
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &WriteBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &body);
  if (request.ConnectTimeout >= 0)
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request.ConnectTimeout));
  if (request.ReceiveTimeout > 0) {
    // A stall limit: fewer than one byte per second for the whole period ends the attempt, so a
    // server that accepts and then says nothing cannot hold the run.
    const long seconds = (static_cast<long>(request.ReceiveTimeout) + 999) / 1000;
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, seconds);
  }

  const CURLcode code = curl_easy_perform(h);
  if (code != CURLE_OK) {
    attempt.Code = static_cast<int32_t>(code);
    return attempt;
  }
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  attempt.Body = std::move(body.Data);
  if (status >= 400) {
    attempt.Code = static_cast<int32_t>(status);
    return attempt;
  }
  attempt.Ok = true;
  attempt.Code = 200;
  return attempt;
}

}  // namespace

void InitHttpLibrary() {
  // Set up once and never torn down: a detached update check or statistics sender may still be
  // inside a transfer while the process exits, and the system reclaims everything then.
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)initialised;
}

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
    const TCurlList headers = BuildHeaders(request);
    for (int32_t i = 0; i < request.Attempts; ++i) {
      result.Error = false;
      try {
        TAttempt attempt = RunAttempt(request, headers.get());
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
  try {
    std::string_view body = result.Text;
    if (StartsWith(body, "\xEF\xBB\xBF")) body.remove_prefix(3);
    result.Text = Utf8ToSystemText(body);
  } catch (const std::exception&) {
    result.Text.clear();
    result.Error = true;
    result.Code = -1;
  }
  result.Empty = result.Text.empty();
}

}  // namespace pallograph
