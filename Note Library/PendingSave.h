#pragma once
// The whole state one save writes. It is first stored as a single value, which the store
// writes whole or not at all, then spread over the sections and removed: a save cut short
// leaves it behind, and the next load finishes that save before it reads anything.
#include <optional>
#include <string>
#include <vector>

#include "NoteSections.h"

namespace corkbase {

struct PendingSave {
    std::wstring level, clickThrough;
    std::vector<StoredNote> sections;        // each note's stored texts, in list order
    // The recently deleted notes, newest first; nothing leaves the stored list as it is.
    std::optional<std::vector<StoredDeletedNote>> deleted;

    // Stores the state, whole, under the application.
    void Save(const std::wstring& application) const;
    // Completes a save that was cut short, if one was; a left-over value that no save
    // wrote fails, and nothing is written.
    static void Finish(const std::wstring& application);

    // The value a save leaves behind, and what a load reads back from one: the record of
    // this version, or the one written before records carried a version and the deleted
    // notes. Nothing for text no save wrote.
    std::wstring ToText() const;
    static std::optional<PendingSave> FromText(const std::wstring& text);

private:
    void Spread(const std::wstring& application) const;
};

}  // namespace corkbase
