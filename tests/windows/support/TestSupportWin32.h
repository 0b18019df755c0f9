// Text helpers of the Windows tests (the portable ones, Units and WidePath, are in
// support/TestSupport.h).
#pragma once

#include <string>

#include "support/TestSupport.h"

namespace pallograph::test {

// UTF-8 -> UTF-16 by the system's own routine (Windows only; in TestSupportWin32.cpp).
std::wstring Wide(const std::string& utf8);

}  // namespace pallograph::test
