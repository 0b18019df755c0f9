// The count of entries done on a package's console line, rewritten in place while the package is
// worked on. Only on a terminal: piped or redirected output, and silent mode, get nothing, so
// their text stays as it always was. Main thread only.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "run/Console.h"

namespace pallograph {

class TProgressText {
 public:
  // `head`: the line's text so far (indent and padded package name), already written.
  TProgressText(TConsole& console, std::string head);
  // Whether counts are shown at all (an interactive console).
  bool Shown() const { return shown_; }
  // Rewrites the line as head + "  done/wanted"; at most every 100 ms between the first and the
  // last count, nothing when nothing is wanted.
  void Show(uint32_t done, uint32_t wanted);
  // Back to the bare line head, ready for the result.
  void Clear();

 private:
  TConsole& console_;
  std::string head_;
  bool shown_;
  size_t width_ = 0;
  std::chrono::steady_clock::time_point last_{};
};

}  // namespace pallograph
