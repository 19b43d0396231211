#include "ThrowawayPrefix.h"

#include <windows.h>

#include <cstdio>

namespace test {

bool InThrowawayPrefix() {
    // Written by qp_mark_throwaway in scripts/lib/wine-session.sh.
    if (GetFileAttributesW(L"C:\\quillpost-throwaway-prefix") != INVALID_FILE_ATTRIBUTES) return true;
    std::printf(
        "Refusing to run: this Wine prefix may hold a person's notes. Run through ./scripts/test (or demo, bench), "
        "which make a throwaway prefix.\n");
    return false;
}

}  // namespace test
