#pragma once
// The fields of a note that the store keeps, in the order they are saved: each one's store
// key, the text the store holds for it (read through the note's interface), what a missing
// key loads as, and how a loaded value is written back. SaveAll, LoadAll and the tray's
// saving on its own all go through this list, so a field is added or renamed in one place.
#include <windows.h>

#include <string>

#include "Failure.h"
#include "Handles.h"
#include "NoteLibrary.h"

namespace corkbase {

// How a stored text is read back: as it is, as twips a window can keep, as a 32-bit
// number, or as the visible flag (set by the collection itself, not through a property).
enum class FieldKind { Text, Twips, Number, Visible };

// A value read back from the store: text for text fields, number for the others.
struct LoadedValue {
    std::wstring text;
    long number = 0;
};

struct NoteField {
    const wchar_t* key;
    FieldKind kind;
    const wchar_t* missing;                                     // what a missing key loads as
    std::wstring (*stored)(_Note* note);                        // throws tk::Failure
    HRESULT (*written)(_Note* note, const LoadedValue& value);  // null for the visible flag
};

namespace field {

inline long Number(_Note* note, HRESULT (STDMETHODCALLTYPE _Note::*getter)(long*)) {
    long value = 0;
    tk::CheckCall((note->*getter)(&value));
    return value;
}

inline std::wstring Text(_Note* note, HRESULT (STDMETHODCALLTYPE _Note::*getter)(BSTR*)) {
    tk::Bstr value;
    tk::CheckCall((note->*getter)(value.put()));
    return value.str();
}

inline bool Visible(_Note* note) {
    VARIANT_BOOL value = VARIANT_FALSE;
    tk::CheckCall(note->get_IsVisible(&value));
    return value != VARIANT_FALSE;
}

}  // namespace field

inline const NoteField kNoteFields[] = {
    {L"title", FieldKind::Text, L"", [](_Note* n) { return field::Text(n, &_Note::get_Title); },
     [](_Note* n, const LoadedValue& v) { return n->put_Title(tk::Bstr(v.text).get()); }},
    {L"left", FieldKind::Twips, L"0", [](_Note* n) { return std::to_wstring(field::Number(n, &_Note::get_Left)); },
     [](_Note* n, const LoadedValue& v) { return n->put_Left(v.number); }},
    {L"top", FieldKind::Twips, L"0", [](_Note* n) { return std::to_wstring(field::Number(n, &_Note::get_Top)); },
     [](_Note* n, const LoadedValue& v) { return n->put_Top(v.number); }},
    {L"width", FieldKind::Twips, L"2500", [](_Note* n) { return std::to_wstring(field::Number(n, &_Note::get_Width)); },
     [](_Note* n, const LoadedValue& v) { return n->put_Width(v.number); }},
    {L"height", FieldKind::Twips, L"1300",
     [](_Note* n) { return std::to_wstring(field::Number(n, &_Note::get_Height)); },
     [](_Note* n, const LoadedValue& v) { return n->put_Height(v.number); }},
    // Button face, the system colour 0x8000000F, as a signed 32-bit number.
    {L"color", FieldKind::Number, L"-2147483633",
     [](_Note* n) { return std::to_wstring(field::Number(n, &_Note::get_Color)); },
     [](_Note* n, const LoadedValue& v) { return n->put_Color(v.number); }},
    {L"text", FieldKind::Text, L"", [](_Note* n) { return field::Text(n, &_Note::get_Text); },
     [](_Note* n, const LoadedValue& v) {
         tk::Bstr text(v.text);
         BSTR raw = text.get();
         return n->put_Text(&raw);
     }},
    {L"visible", FieldKind::Visible, L"", [](_Note* n) { return std::wstring(field::Visible(n) ? L"-1" : L"0"); },
     nullptr},
};

}  // namespace corkbase
