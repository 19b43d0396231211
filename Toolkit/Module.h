#pragma once
// The module this code is linked into: the library's DLL, a program or a test program.
#include <windows.h>

#include <string>

namespace tk {

HINSTANCE ThisModule();

// The module's full path, however long (nullptr: the program's own file).
std::wstring ModuleFileName(HMODULE module);

}  // namespace tk
