#include "platform/ThreadPlacement.h"

namespace pallograph {

// Linux has affinity masks but no preference hint; binding workers hard would hurt a shared
// machine, so the scheduler places them.
void PreferProcessor(std::thread&, unsigned) noexcept {}

}  // namespace pallograph
