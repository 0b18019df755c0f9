// The log sink: a callable that takes one line of text for the run log. An empty sink means that
// the run log is off; receivers test it before they build a line.
#pragma once

#include <functional>
#include <string>

namespace pallograph {

using LogSink = std::function<void(const std::string&)>;

}  // namespace pallograph
