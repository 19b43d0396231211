#include "NoteSections.h"

#include "Store.h"

namespace corkbase {

void SaveFields(StoreSection& section, const StoredNote& note) {
    for (size_t k = 0; k < std::size(kNoteFields); ++k) {
        if (note[k])
            section.Save(kNoteFields[k].key, *note[k]);
        else
            section.Remove(kNoteFields[k].key);
    }
}

StoredNote ReadFields(const StoreSection& section) {
    StoredNote note;
    for (const NoteField& f : kNoteFields) note.push_back(section.Get(f.key));
    return note;
}

FieldValue FieldFrom(const NoteField& f, const std::optional<std::wstring>& text, const std::wstring& where) {
    FieldValue value{f.missing.text, f.missing.number, f.missing.flag};
    if (!text) return value;
    switch (f.kind) {
        case FieldKind::Text:
            value.text = *text;
            break;
        case FieldKind::Twips:
            value.number = TwipsFrom(where, *text);
            break;
        case FieldKind::Number:
            value.number = NumberFrom(where, *text);
            break;
        case FieldKind::Flag:
            value.flag = !(text->empty() || *text == L"0");
            break;
    }
    return value;
}

}  // namespace corkbase
