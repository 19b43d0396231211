#pragma once
// A note's fields in a section of the store: the texts a save writes there, and the values
// a load reads back from them with each field's default.
#include <optional>
#include <string>
#include <vector>

#include "NoteFields.h"

namespace corkbase {

class StoreSection;

// One note's stored texts, in the order of kNoteFields; a field without a text is not in
// the note's section.
using StoredNote = std::vector<std::optional<std::wstring>>;

// A recently deleted note as the store keeps it: its fields, when it was deleted and the
// number it had then, which names a note with neither title nor text.
struct StoredDeletedNote {
    StoredNote fields;
    std::wstring deleted;  // the time it was deleted, as DeletedTime.h writes it
    std::wstring number;   // empty for an entry written before the number was kept
};

// Writes each field that has a text and removes the others from the section; a field added
// later than the designed ones is written only where it is not its default or the section
// already holds it, so a section that never used it keeps its layout.
void SaveFields(StoreSection& section, const StoredNote& note);
// A field's stored text; a text size that cannot be read is told to the administrator and
// reads as missing.
std::optional<std::wstring> FieldText(const StoreSection& section, const NoteField& f);
// The stored texts of every field in the section.
StoredNote ReadFields(const StoreSection& section);
// A field's value from its stored text, or its default for none; a text that does not
// convert fails naming where it was (section/key) and the text.
FieldValue FieldFrom(const NoteField& f, const std::optional<std::wstring>& text, const std::wstring& where);

}  // namespace corkbase
