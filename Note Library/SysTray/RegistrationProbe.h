#pragma once
// Whether the note library beside the program is the one registered, and registering it.
#include <windows.h>

namespace qpost {

// True when an object can be created by the ProgID and activation would load the
// library that lies beside the program: a copy registered from another folder may be
// gone or stale tomorrow.
bool LibraryRegisteredHere();

// Registers the library that lies beside the program, never one found elsewhere: S_OK, or
// why it could not be loaded or registered.
HRESULT RegisterLibraryBesideProgram();

}  // namespace qpost
