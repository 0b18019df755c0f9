#include "online/FormPost.h"

#include <curl/curl.h>

#include <exception>
#include <memory>

#include "online/HttpFetch.h"

namespace pallograph {

namespace {

struct TCurlEasyCloser {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct TCurlListCloser {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using TCurlEasy = std::unique_ptr<CURL, TCurlEasyCloser>;
using TCurlList = std::unique_ptr<curl_slist, TCurlListCloser>;

bool Append(TCurlList& list, const std::string& line) {
  curl_slist* grown = curl_slist_append(list.get(), line.c_str());
  if (grown == nullptr) return false;
  (void)list.release();
  list.reset(grown);
  return true;
}

// The collector's answer is not needed.
size_t DropBody(char*, size_t size, size_t count, void*) noexcept { return size * count; }

// Called by libcurl on the posting thread; non-zero ends the transfer.
int CheckCancel(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) noexcept {
  return static_cast<const std::atomic<bool>*>(user)->load() ? 1 : 0;
}

}  // namespace

bool PostForm(const RFormPost& post, const std::atomic<bool>& cancel) {
  try {
    InitHttpLibrary();
    TCurlEasy easy(curl_easy_init());
    if (!easy) return false;
    TCurlList headers;
    // "Expect:" keeps libcurl from waiting for a 100-continue on longer bodies.
    if (!Append(headers, "Content-Type: application/x-www-form-urlencoded") ||
        !Append(headers, std::string("Accept-Charset: ") + kFormPostAcceptCharset) ||
        !Append(headers, "Expect:")) {
      return false;
    }
    CURL* h = easy.get();
    curl_easy_setopt(h, CURLOPT_URL, post.URL.c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers.get());
    curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(post.Body.size()));
    curl_easy_setopt(h, CURLOPT_POSTFIELDS, post.Body.c_str());
    if (!post.UserAgent.empty()) curl_easy_setopt(h, CURLOPT_USERAGENT, post.UserAgent.c_str());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, kFormPostConnectTimeoutMs);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kFormPostReadTimeoutSeconds);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &DropBody);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &CheckCancel);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&cancel));
    if (curl_easy_perform(h) != CURLE_OK) return false;
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    return status > 0 && status < 400;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace pallograph
