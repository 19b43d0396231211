#pragma once
// Quillpost.Notes, qpost's own class: the notes on the screen, reached by other processes
// through COM, with qpost.exe registered as the class's local server.
#include <windows.h>

namespace qpost {

// {D4419A71-D6F3-407A-8874-505884CD9E98}
inline constexpr CLSID CLSID_QuillpostNotes = {
    0xD4419A71, 0xD6F3, 0x407A, {0x88, 0x74, 0x50, 0x58, 0x84, 0xCD, 0x9E, 0x98}};
inline constexpr wchar_t kNotesProgId[] = L"Quillpost.Notes";

// Registers this program as the class's server for this user, and machine-wide too where
// activation does not see per-user classes (Wine), unless it already is: S_OK, or why not.
HRESULT RegisterNotesClass();

}  // namespace qpost
