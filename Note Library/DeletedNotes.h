#pragma once
// The recently deleted notes a collection keeps, newest first: everything a note's
// section would hold, when it was deleted, and a number that names it while it is kept.
#include <cstdint>
#include <string>
#include <vector>

#include "DeletedTime.h"
#include "NoteSections.h"

namespace corkbase {

class DeletedNotes {
public:
    struct Entry {
        StoredNote fields;
        DeletedTime time = 0;
        long id = 0;          // never given to another entry of this list
        int32_t number = 0;   // its NoteID when it was deleted; 0 when not known
    };

    // Puts a note on top; the list keeps the top kMostDeletedNotes. Returns its id.
    long Add(StoredNote fields, DeletedTime time, int32_t number);
    // Puts the notes a store holds, newest first, below those deleted already, but for
    // those the list holds already.
    void AddStored(const std::vector<StoredDeletedNote>& stored, DeletedTime now);
    size_t Count() const { return entries_.size(); }
    // The entry at a 1-based position; a position that names none fails saying so.
    const Entry& At(long position) const;
    // Erases the entry with this id; an id the list no longer holds changes nothing.
    void EraseId(long id);
    void Clear() { entries_.clear(); }
    // The list as the store keeps it.
    std::vector<StoredDeletedNote> Stored() const;

    // What names the note to a person: its title, or the first words of its text, or "Note"
    // and the number it had, kept with it across restarts ("Empty note" for an entry
    // stored before the number was).
    static std::wstring Name(const Entry& entry);

private:
    void Keep();

    std::vector<Entry> entries_;
    long lastId_ = 0;
};

}  // namespace corkbase
