#include "run/ProgressLine.h"

#include <algorithm>

namespace pallograph {

TProgressText::TProgressText(TConsole& console, std::string head)
    : console_(console), head_(std::move(head)), shown_(console.Interactive()) {}

void TProgressText::Show(uint32_t done, uint32_t wanted) {
  if (wanted == 0) return;
  const auto now = std::chrono::steady_clock::now();
  if (done != 0 && done != wanted && now - last_ < std::chrono::milliseconds(100)) return;
  last_ = now;
  const std::string text = "  " + std::to_string(done) + "/" + std::to_string(wanted);
  console_.Write("\r" + head_ + text);
  width_ = std::max(width_, text.size());
}

void TProgressText::Clear() {
  if (width_ > 0) console_.Write("\r" + head_ + std::string(width_, ' ') + "\r" + head_);
  width_ = 0;
}

}  // namespace pallograph
