// One form-encoded HTTP POST through the platform's HTTP transport, as the statistics sender
// sends its hits. Safe from any thread; each call uses its own connection. Never throws.
#pragma once

#include <atomic>
#include <string>

namespace pallograph {

inline constexpr long kFormPostConnectTimeoutMs = 10000;
// Seconds without any received byte after which a post fails.
inline constexpr long kFormPostReadTimeoutSeconds = 5;
inline constexpr const char* kFormPostAcceptCharset = "windows-1251";

struct RFormPost {
  std::string URL;
  std::string Body;       // already encoded ("a=1&b=2")
  std::string UserAgent;  // "" = no User-Agent header
};

// Posts the body with the content type "application/x-www-form-urlencoded", following
// redirects. True when a response arrived with a status below 400; the body is read and
// dropped. `cancel` is polled during the transfer: once it is true the post ends as failed.
bool PostForm(const RFormPost& post, const std::atomic<bool>& cancel);

}  // namespace pallograph
