#include "platform/HttpTransport.h"

#include <curl/curl.h>

#include <memory>
#include <new>

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

struct TReceived {
  const RHttpExchange* Exchange = nullptr;
  std::string Data;
  size_t Count = 0;
};

// Called by libcurl on this thread; returning less than it was given ends the transfer.
size_t ReceiveBody(char* data, size_t size, size_t count, void* user) noexcept {
  auto* received = static_cast<TReceived*>(user);
  const size_t bytes = size * count;
  if (bytes > received->Exchange->MaxBodySize - received->Count) return 0;
  received->Count += bytes;
  if (!received->Exchange->KeepBody) return bytes;
  try {
    received->Data.append(data, bytes);
  } catch (...) {
    return 0;
  }
  return bytes;
}

// Called by libcurl on this thread; non-zero ends the transfer.
int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept {
  return static_cast<const std::atomic<bool>*>(user)->load() ? 1 : 0;
}

}  // namespace

void InitHttpTransport() {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)initialised;
}

RHttpOutcome ExchangeHttp(const RHttpExchange& exchange) {
  InitHttpTransport();
  RHttpOutcome outcome;
  TCurlEasy easy(curl_easy_init());
  if (!easy) {
    outcome.TransportError = CURLE_FAILED_INIT;
    return outcome;
  }
  TCurlList headers;
  for (const std::string& line : exchange.Headers) Append(headers, line);
  // libcurl would wait for a 100-continue on longer bodies.
  if (exchange.Method == "POST") Append(headers, "Expect:");

  CURL* h = easy.get();
  TReceived received;
  received.Exchange = &exchange;
  curl_easy_setopt(h, CURLOPT_URL, exchange.URL.c_str());
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
  if (exchange.Method == "POST") {
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(exchange.Body.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, exchange.Body.c_str());
  } else {
    curl_easy_setopt(h, CURLOPT_HTTPGET, 1L);
  }
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, 1L);
  curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, 2L);
  curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(exchange.MaxBodySize));
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &ReceiveBody);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &received);
  if (exchange.ConnectTimeoutMs >= 0) {
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(exchange.ConnectTimeoutMs));
  }
  if (exchange.StallTimeoutMs > 0) {
    // Fewer than one byte per second for the whole period ends the transfer, so a server that
    // accepts and then says nothing cannot hold the caller.
    const long seconds = (static_cast<long>(exchange.StallTimeoutMs) + 999) / 1000;
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, seconds);
  }
  if (exchange.Cancel != nullptr) {
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CheckCancel);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(exchange.Cancel));
  }

  const CURLcode code = curl_easy_perform(h);
  if (code != CURLE_OK) {
    outcome.TransportError = static_cast<int32_t>(code);
    return outcome;
  }
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  outcome.Completed = true;
  outcome.Status = static_cast<int32_t>(status);
  outcome.Body = std::move(received.Data);
  return outcome;
}

}  // namespace pallograph
