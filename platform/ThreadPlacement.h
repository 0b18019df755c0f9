// Placement hints for worker threads.
#pragma once

#include <thread>

namespace pallograph {

// Asks the system to run the thread preferably on the given processor (0-based): Windows' ideal
// processor. A hint only; where the system offers no such hint (POSIX) nothing happens. Call
// from the thread that owns `thread`, while it is joinable.
void PreferProcessor(std::thread& thread, unsigned processor) noexcept;

}  // namespace pallograph
