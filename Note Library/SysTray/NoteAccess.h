#pragma once
// Reading the note library through its interface; a failed call throws its description.
#include <windows.h>

#include <string>

#include "Handles.h"
#include "NoteLibrary.h"

namespace qpost {

long Read(_Note* note, HRESULT (STDMETHODCALLTYPE _Note::*getter)(long*));
std::wstring ReadText(_Note* note, HRESULT (STDMETHODCALLTYPE _Note::*getter)(BSTR*));
tk::ComPtr<_NoteList> ListOf(_Notes* notes);
tk::ComPtr<_Note> ItemOf(_NoteList* list, long position);

}  // namespace qpost
