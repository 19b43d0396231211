#pragma once
// The module this code is linked into: the library's DLL, a program or a test program.
#include <windows.h>

namespace tk {

HINSTANCE ThisModule();

}  // namespace tk
