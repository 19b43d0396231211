#pragma once
// The recently deleted notes in the store, apart from the designed sections: the section
// "deleted" holds one section per note, "1" the newest, each with the note's fields,
// "deleted", when it was deleted, and "number", its number then. Nothing of it exists
// until a note has been deleted.
#include <string>
#include <vector>

#include "DeletedTime.h"
#include "NoteSections.h"

namespace corkbase {

// What the list keeps: the newest notes, none deleted longer ago than the days.
inline constexpr size_t kMostDeletedNotes = 50;
inline constexpr DeletedTime kDeletedKeptSeconds = 30 * 24 * 60 * 60;

// Writes the list over the stored one; what is no longer in it leaves the store, and an
// empty list that was never stored writes nothing.
void SaveDeleted(const std::wstring& application, const std::vector<StoredDeletedNote>& deleted);
// The stored list, newest first, without the notes the list no longer keeps at this time.
// A note that cannot be read is left out, and one warning tells how many were.
std::vector<StoredDeletedNote> LoadDeleted(const std::wstring& application, DeletedTime now);

}  // namespace corkbase
