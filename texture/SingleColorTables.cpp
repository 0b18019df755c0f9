#include "texture/SingleColorTables.h"

namespace pallograph {

const std::array<TSingleColorTable, 4>& SingleColorTables() { return kSingleColorTables; }

}  // namespace pallograph
