#pragma once
// When the tray saves on its own: once the notes have stopped changing for a while and
// differ from what was last saved.
#include <windows.h>

#include <cstdint>

#include "NoteLibrary.h"

namespace qpost {

class AutoSaveSchedule {
public:
    // Milliseconds between the ticks that look at the notes.
    static constexpr UINT kTick = 1000;

    // What the store holds now: the notes as they are.
    void Saved(_Notes* notes);
    // Whether anything differs from what was last saved.
    bool ChangedSinceSave(_Notes* notes) const;
    // At a tick: whether a save is due now.
    bool Due(_Notes* notes);

private:
    static constexpr DWORD kQuiet = 2000;  // how long the notes must stay unchanged
    uint64_t saved_ = 0;                   // fingerprint of what the store holds
    uint64_t seen_ = 0;                    // at the last tick
    DWORD changedAt_ = 0;                  // tick count of the last change seen
};

}  // namespace qpost
