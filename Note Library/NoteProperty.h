#pragma once
// Reading a note's property, or a deleted note's, through the interface, for the library,
// the tray and the tests alike: a failed call throws the description the note reported.
#include <windows.h>

#include <string>

#include "Failure.h"
#include "Handles.h"
#include "NoteLibrary.h"

namespace corkbase {

inline long Read(_Note* note, HRESULT (STDMETHODCALLTYPE _Note::*getter)(long*)) {
    long value = 0;
    tk::CheckCall((note->*getter)(&value));
    return value;
}

inline std::wstring Read(_Note* note, HRESULT (STDMETHODCALLTYPE _Note::*getter)(BSTR*)) {
    tk::Bstr value;
    tk::CheckCall((note->*getter)(value.put()));
    return value.str();
}

inline bool Read(_Note* note, HRESULT (STDMETHODCALLTYPE _Note::*getter)(VARIANT_BOOL*)) {
    VARIANT_BOOL value = VARIANT_FALSE;
    tk::CheckCall((note->*getter)(&value));
    return value != VARIANT_FALSE;
}

// A property of the deleted note at a 1-based position.
inline long Read(_Notes2* notes, HRESULT (STDMETHODCALLTYPE _Notes2::*getter)(long, long*), long position) {
    long value = 0;
    tk::CheckCall((notes->*getter)(position, &value));
    return value;
}

inline std::wstring Read(_Notes2* notes, HRESULT (STDMETHODCALLTYPE _Notes2::*getter)(long, BSTR*), long position) {
    tk::Bstr value;
    tk::CheckCall((notes->*getter)(position, value.put()));
    return value.str();
}

inline DATE Read(_Notes2* notes, HRESULT (STDMETHODCALLTYPE _Notes2::*getter)(long, DATE*), long position) {
    DATE value = 0;
    tk::CheckCall((notes->*getter)(position, &value));
    return value;
}

// A property of the note's newer interface, _Note2, which the note's object also serves.
inline long Read(_Note* note, HRESULT (STDMETHODCALLTYPE _Note2::*getter)(long*)) {
    tk::ComPtr<_Note2> extended;
    tk::CheckCall(note->QueryInterface(IID__Note2, reinterpret_cast<void**>(extended.put())));
    long value = 0;
    tk::CheckCall((extended.get()->*getter)(&value));
    return value;
}

}  // namespace corkbase
