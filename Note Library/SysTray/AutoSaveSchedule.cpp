#include "AutoSaveSchedule.h"

#include "modAutoSave.h"

namespace qpost {

void AutoSaveSchedule::Saved(_Notes* notes) { saved_ = seen_ = modAutoSave::Fingerprint(notes); }

bool AutoSaveSchedule::ChangedSinceSave(_Notes* notes) const { return modAutoSave::Fingerprint(notes) != saved_; }

bool AutoSaveSchedule::Due(_Notes* notes) {
    uint64_t now = modAutoSave::Fingerprint(notes);
    if (now != seen_) {
        seen_ = now;
        changedAt_ = GetTickCount();
        return false;
    }
    return now != saved_ && GetTickCount() - changedAt_ >= kQuiet;
}

}  // namespace qpost
