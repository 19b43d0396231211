#include "NoteSections.h"

#include "EventLog.h"
#include "Store.h"
#include "Text.h"

namespace corkbase {

namespace {

// Only how large a text looks is at stake: a text size that cannot be read, or is no step,
// never fails a load. The note shows its text as designed, and the administrator is told.
long DesignedZoom(const NoteField& f, const std::wstring& problem) {
    LogWarning(L"Corkbase: " + problem + L"; the note's text is shown at " + std::to_wstring(f.missing.number) +
               L" percent");
    return f.missing.number;
}

}  // namespace

void SaveFields(StoreSection& section, const StoredNote& note) {
    for (size_t k = 0; k < std::size(kNoteFields); ++k) {
        const NoteField& f = kNoteFields[k];
        if (f.addedLater) {
            // Older records hold no such field: it reads as its default, which is written
            // only where the section already holds a value for it.
            const std::wstring missing = field::Stored(f.missing.number);
            std::wstring text = note[k].value_or(missing);
            if (text != missing || section.Holds(f.key)) section.Save(f.key, text);
        } else if (note[k]) {
            section.Save(f.key, *note[k]);
        } else {
            section.Remove(f.key);
        }
    }
}

std::optional<std::wstring> FieldText(const StoreSection& section, const NoteField& f) {
    if (f.kind != FieldKind::Zoom) return section.Get(f.key);
    try {
        return section.Get(f.key);
    } catch (const tk::Failure& failure) {
        DesignedZoom(f, failure.description());
        return std::nullopt;
    }
}

StoredNote ReadFields(const StoreSection& section) {
    StoredNote note;
    for (const NoteField& f : kNoteFields) note.push_back(FieldText(section, f));
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
        case FieldKind::Zoom: {
            auto percent = ParseNumber(*text);
            value.number = percent && IsZoomStep(*percent) && *text == std::to_wstring(*percent)
                               ? *percent
                               : DesignedZoom(f, where + L": " + Quoted(*text) + L" is not one of the text sizes " +
                                                     ZoomStepsInWords());
            break;
        }
    }
    return value;
}

}  // namespace corkbase
