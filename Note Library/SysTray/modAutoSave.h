#pragma once
// What the tray's saving on its own looks at: a fingerprint of everything the store would
// hold, and whether the user is in the middle of a menu, dialog or message box.
#include <windows.h>

#include <cstdint>

#include "NoteLibrary.h"

namespace qpost::modAutoSave {

// Changes whenever a saved property of any note or either option changes.
uint64_t Fingerprint(_Notes* notes);

// A menu, dialog or message box of this thread is open, or the main window is disabled.
bool ModalOpen(HWND main);

}  // namespace qpost::modAutoSave
