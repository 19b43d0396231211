#pragma once
// What a note window asks of the note it shows. The window knows its note only through
// this, and nothing of the collection.
#include <cstdint>
#include <vector>

#include "Snapping.h"

namespace corkbase {

class NoteSite {
public:
    virtual int32_t NoteIDValue() const = 0;
    virtual void SetChanged(bool changed) = 0;
    // The close label: the note hides as its Hide does.
    virtual void HideNote() = 0;
    // The Delete command: the note leaves its collection, which keeps it as deleted by it. Hold keeps it alive meanwhile,
    // ReleaseHeld lets it go once the window's command has returned.
    virtual void Hold() = 0;
    virtual void DeleteNote() = 0;
    virtual void ReleaseHeld() = 0;
    // The notes of the collection, in order, as snapping reads them; the list ends at the
    // first note that cannot be read.
    virtual std::vector<SnapNote> SnapNotes() = 0;

protected:
    ~NoteSite() = default;
};

}  // namespace corkbase
