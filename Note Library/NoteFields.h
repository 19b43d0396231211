#pragma once
// The fields of a note that the store keeps, in the order they are saved: the one list
// that saving, loading, the tray's fingerprint and the tests go over. Each row gives the
// store key, the field's kind, what a missing key loads as, the text the store holds for
// it (read through the note's interface) and how a loaded value is written into the note.
// A field is added as a row here.
#include <windows.h>

#include <string>
#include <string_view>

#include "NoteLibrary.h"
#include "NoteProperty.h"
#include "Gdi.h"
#include "NoteSize.h"
#include "NoteZoom.h"

namespace corkbase {

// How a stored text is read back: as it is, as twips a window can keep, as a 32-bit
// number, as a flag that is true unless the text is empty or exactly "0", or as a text
// size (one of kZoomSteps; anything else loads as the designed size, with a warning).
enum class FieldKind { Text, Twips, Number, Flag, Zoom };

// What a missing key loads as, typed by the field's kind.
struct FieldDefault {
    const wchar_t* text = L"";
    long number = 0;
    bool flag = false;
};

// A loaded value as its kind holds it.
struct FieldValue {
    std::wstring text;
    long number = 0;
    bool flag = false;
};

// A note that loading fills: its interface, and the visibility that the interface only reads.
class LoadedNote {
public:
    virtual _Note2* Interface() = 0;
    virtual void SetVisible(bool visible) = 0;

protected:
    ~LoadedNote() = default;
};

struct NoteField {
    const wchar_t* key;
    FieldKind kind;
    FieldDefault missing;
    std::wstring (*stored)(_Note* note);                        // throws tk::Failure
    HRESULT (*written)(LoadedNote& note, const FieldValue& value);
    // A field older stores never held: its missing value is left unwritten in a section
    // that holds no value for it, so that such a store keeps its layout.
    bool addedLater = false;
};

namespace field {

// The text the store holds for a value of each kind.
inline std::wstring Stored(long number) { return std::to_wstring(number); }
inline std::wstring Stored(std::wstring text) { return text; }
inline std::wstring Stored(bool flag) { return flag ? L"-1" : L"0"; }

}  // namespace field

inline constexpr NoteField kNoteFields[] = {
    {L"title", FieldKind::Text, {}, [](_Note* n) { return field::Stored(Read(n, &_Note::get_Title)); },
     [](LoadedNote& n, const FieldValue& v) { return n.Interface()->put_Title(tk::Bstr(v.text).get()); }},
    {L"left", FieldKind::Twips, {}, [](_Note* n) { return field::Stored(Read(n, &_Note::get_Left)); },
     [](LoadedNote& n, const FieldValue& v) { return n.Interface()->put_Left(v.number); }},
    {L"top", FieldKind::Twips, {}, [](_Note* n) { return field::Stored(Read(n, &_Note::get_Top)); },
     [](LoadedNote& n, const FieldValue& v) { return n.Interface()->put_Top(v.number); }},
    {L"width", FieldKind::Twips, {.number = kDefaultNoteWidth},
     [](_Note* n) { return field::Stored(Read(n, &_Note::get_Width)); },
     [](LoadedNote& n, const FieldValue& v) { return n.Interface()->put_Width(v.number); }},
    {L"height", FieldKind::Twips, {.number = kDefaultNoteHeight},
     [](_Note* n) { return field::Stored(Read(n, &_Note::get_Height)); },
     [](LoadedNote& n, const FieldValue& v) { return n.Interface()->put_Height(v.number); }},
    // A note stored without a colour has the system's button face.
    {L"color", FieldKind::Number, {.number = static_cast<long>(tk::ButtonFace)},
     [](_Note* n) { return field::Stored(Read(n, &_Note::get_Color)); },
     [](LoadedNote& n, const FieldValue& v) { return n.Interface()->put_Color(v.number); }},
    {L"text", FieldKind::Text, {}, [](_Note* n) { return field::Stored(Read(n, &_Note::get_Text)); },
     [](LoadedNote& n, const FieldValue& v) {
         tk::Bstr text(v.text);
         BSTR raw = text.get();
         return n.Interface()->put_Text(&raw);
     }},
    {L"visible", FieldKind::Flag, {.flag = false}, [](_Note* n) { return field::Stored(Read(n, &_Note::get_IsVisible)); },
     [](LoadedNote& n, const FieldValue& v) {
         n.SetVisible(v.flag);
         return S_OK;
     }},
    {L"zoom", FieldKind::Zoom, {.number = kDesignedZoom},
     [](_Note* n) { return field::Stored(Read(n, &_Note2::get_Zoom)); },
     [](LoadedNote& n, const FieldValue& v) { return n.Interface()->put_Zoom(v.number); }, true},
};

// The row of the field stored under key.
constexpr size_t FieldIndex(std::wstring_view key) {
    size_t k = 0;
    while (k < std::size(kNoteFields) && key != kNoteFields[k].key) ++k;
    return k;
}

}  // namespace corkbase
