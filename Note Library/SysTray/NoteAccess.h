#pragma once
// Reading the note library through its interface; a failed call throws its description.
#include <windows.h>

#include "Handles.h"
#include "NoteLibrary.h"
#include "NoteProperty.h"

namespace qpost {

using corkbase::Read;
tk::ComPtr<_NoteList> ListOf(_Notes* notes);
tk::ComPtr<_Note> ItemOf(_NoteList* list, long position);

}  // namespace qpost
