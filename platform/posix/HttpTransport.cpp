#include "platform/HttpTransport.h"

#include <curl/curl.h>

#include <chrono>
#include <memory>
#include <new>

namespace pallograph {

namespace {

// How long one wait for the server lasts before the cancel flag is looked at again.
constexpr int kPollSliceMs = 100;

struct TCurlEasyCloser {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using TCurlEasy = std::unique_ptr<CURL, TCurlEasyCloser>;

struct TCurlMultiCloser {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
using TCurlMulti = std::unique_ptr<CURLM, TCurlMultiCloser>;

struct TCurlListCloser {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using TCurlList = std::unique_ptr<curl_slist, TCurlListCloser>;

// The easy handle's membership in the multi handle, ended before either is cleaned up.
class TMultiMembership {
 public:
  TMultiMembership(CURLM* multi, CURL* easy) : multi_(multi), easy_(easy) {
    added_ = curl_multi_add_handle(multi_, easy_) == CURLM_OK;
  }
  ~TMultiMembership() {
    if (added_) curl_multi_remove_handle(multi_, easy_);
  }
  TMultiMembership(const TMultiMembership&) = delete;
  TMultiMembership& operator=(const TMultiMembership&) = delete;
  bool Added() const { return added_; }

 private:
  CURLM* multi_;
  CURL* easy_;
  bool added_ = false;
};

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
  bool TooLarge = false;
};

// Called by libcurl on this thread; returning less than it was given ends the transfer.
size_t ReceiveBody(char* data, size_t size, size_t count, void* user) noexcept {
  auto* received = static_cast<TReceived*>(user);
  const size_t bytes = size * count;
  if (bytes > received->Exchange->MaxBodySize - received->Count) {
    received->TooLarge = true;
    return 0;
  }
  received->Count += bytes;
  if (!received->Exchange->KeepBody) return bytes;
  try {
    received->Data.append(data, bytes);
  } catch (...) {
    return 0;
  }
  return bytes;
}

RHttpOutcome Failed(THttpFailure failure, int32_t code, std::string detail = {}) {
  RHttpOutcome outcome;
  outcome.Failure = failure;
  outcome.TransportError = code != 0 ? code : static_cast<int32_t>(CURLE_FAILED_INIT);
  outcome.Detail = std::move(detail);
  return outcome;
}

// Runs the transfer in slices, so that the cancel flag is seen while the server keeps silent.
// Returns the transfer's result; `cancelled` tells a cancelled one.
CURLcode Perform(CURLM* multi, const RHttpExchange& exchange, bool& cancelled) {
  cancelled = false;
  for (;;) {
    // Looked at first, so that a cancelled exchange sends nothing.
    if (exchange.Cancel != nullptr && exchange.Cancel->load()) {
      cancelled = true;
      return CURLE_ABORTED_BY_CALLBACK;
    }
    int running = 0;
    if (curl_multi_perform(multi, &running) != CURLM_OK) return CURLE_RECV_ERROR;
    int left = 0;
    while (const CURLMsg* message = curl_multi_info_read(multi, &left)) {
      if (message->msg == CURLMSG_DONE) return message->data.result;
    }
    if (running == 0) return CURLE_RECV_ERROR;
    if (curl_multi_poll(multi, nullptr, 0, kPollSliceMs, nullptr) != CURLM_OK) {
      return CURLE_RECV_ERROR;
    }
  }
}

}  // namespace

void InitHttpTransport() {
  static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
  (void)initialised;
}

RHttpOutcome ExchangeHttp(const RHttpExchange& exchange) {
  InitHttpTransport();
  TCurlEasy easy(curl_easy_init());
  TCurlMulti multi(curl_multi_init());
  if (!easy || !multi) return Failed(THttpFailure::Transport, CURLE_FAILED_INIT, "no HTTP handle");
  TCurlList headers;
  for (const std::string& line : exchange.Headers) Append(headers, line);
  // libcurl would wait for a 100-continue on longer bodies.
  if (exchange.Method == "POST") Append(headers, "Expect:");

  CURL* h = easy.get();
  TReceived received;
  received.Exchange = &exchange;
  char error[CURL_ERROR_SIZE] = {};
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, error);
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
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, static_cast<long>(kHttpMaxRedirects));
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
  if (exchange.TotalTimeoutMs > 0) {
    curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, static_cast<long>(exchange.TotalTimeoutMs));
  }

  const TMultiMembership membership(multi.get(), h);
  if (!membership.Added()) return Failed(THttpFailure::Transport, CURLE_FAILED_INIT, "no transfer");
  const auto start = std::chrono::steady_clock::now();
  bool cancelled = false;
  const CURLcode code = Perform(multi.get(), exchange, cancelled);
  if (cancelled) return Failed(THttpFailure::Cancelled, code);
  if (code != CURLE_OK) {
    const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::steady_clock::now() - start)
                             .count();
    THttpFailure failure = THttpFailure::Transport;
    if (received.TooLarge || code == CURLE_FILESIZE_EXCEEDED) {
      failure = THttpFailure::TooLarge;
    } else if (code == CURLE_TOO_MANY_REDIRECTS) {
      failure = THttpFailure::Redirects;
    } else if (code == CURLE_OPERATION_TIMEDOUT && exchange.TotalTimeoutMs > 0 &&
               elapsed + kPollSliceMs >= exchange.TotalTimeoutMs) {
      failure = THttpFailure::TimeLimit;
    }
    return Failed(failure, code, error[0] != '\0' ? error : curl_easy_strerror(code));
  }
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  RHttpOutcome outcome;
  outcome.Completed = true;
  outcome.Status = static_cast<int32_t>(status);
  outcome.Body = std::move(received.Data);
  return outcome;
}

}  // namespace pallograph
