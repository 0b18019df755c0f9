#include "online/FormPost.h"

#include <exception>

#include "platform/HttpTransport.h"

namespace pallograph {

bool PostForm(const RFormPost& post, const std::atomic<bool>& cancel) {
  try {
    RHttpExchange exchange;
    exchange.Method = "POST";
    exchange.URL = post.URL;
    exchange.Headers = {"Content-Type: application/x-www-form-urlencoded",
                        std::string("Accept-Charset: ") + kFormPostAcceptCharset};
    if (!post.UserAgent.empty()) exchange.Headers.push_back("User-Agent: " + post.UserAgent);
    exchange.Body = post.Body;
    exchange.ConnectTimeoutMs = static_cast<int32_t>(kFormPostConnectTimeoutMs);
    exchange.StallTimeoutMs = static_cast<int32_t>(kFormPostReadTimeoutSeconds * 1000);
    // The collector's answer is not needed.
    exchange.KeepBody = false;
    exchange.Cancel = &cancel;
    const RHttpOutcome outcome = ExchangeHttp(exchange);
    return outcome.Completed && outcome.Status > 0 && outcome.Status < 400;
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace pallograph
