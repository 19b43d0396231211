#pragma once
// Whether the note library beside the program is the one registered, and registering it.

namespace qpost {

// True when an object can be created by the ProgID and activation would load the
// library that lies beside the program: a copy registered from another folder may be
// gone or stale tomorrow.
bool LibraryRegisteredHere();

// Registers the library that lies beside the program, never one found elsewhere.
void RegisterLibraryBesideProgram();

}  // namespace qpost
