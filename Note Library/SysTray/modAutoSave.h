#pragma once
// What the tray's saving on its own looks at: a fingerprint of everything the store would
// hold, and whether the user is in the middle of a menu, dialog or message box.
#include <windows.h>

#include <cstdint>

#include "NoteLibrary.h"

namespace qpost::modAutoSave {

// Changes whenever a saved property of any note or either option changes, and whenever
// the deleted notes do.
uint64_t Fingerprint(_Notes* notes);

// A menu, dialog or message box of this thread is open, or the main window is disabled.
bool ModalOpen(HWND main);

// The dialog or message box of this thread that the person has to answer first (a visible
// dialog, or a window whose owner it disables); nullptr when there is none.
HWND OpenDialog();

}  // namespace qpost::modAutoSave
