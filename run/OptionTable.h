// The program's options, declared in their listing order.
#pragma once

namespace pallograph {

class TCommandLineReader;

void DeclareOptions(TCommandLineReader& reader);

}  // namespace pallograph
