#include "DeletedNotes.h"

#include <algorithm>

#include "DeletedStore.h"
#include "Failure.h"
#include "Store.h"

namespace corkbase {
namespace {

constexpr size_t kNameLength = 40;  // the first words: about a menu item's worth

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }

// The text's words from its first one, blanks and line breaks as single spaces, cut at a
// word's end near kNameLength.
std::wstring FirstWords(const std::wstring& text) {
    std::wstring words;
    for (wchar_t c : text) {
        if (IsSpace(c)) {
            if (!words.empty() && words.back() != L' ') words += L' ';
        } else {
            words += c;
        }
        if (words.size() > kNameLength) break;
    }
    if (words.size() > kNameLength) {
        size_t cut = words.rfind(L' ', kNameLength);
        words.resize(cut == std::wstring::npos || cut < kNameLength / 2 ? kNameLength : cut);
        words += L"...";
    }
    while (!words.empty() && words.back() == L' ') words.pop_back();
    return words;
}

// Whether two notes' stored texts say the same: a field added later reads as its default
// where the store holds no value for it.
bool SameNote(const StoredNote& a, const StoredNote& b) {
    for (size_t k = 0; k < std::size(kNoteFields); ++k) {
        const NoteField& f = kNoteFields[k];
        auto text = [&](const std::optional<std::wstring>& t) {
            return f.addedLater && !t ? std::optional(field::Stored(f.missing.number)) : t;
        };
        if (text(a[k]) != text(b[k])) return false;
    }
    return true;
}

}  // namespace

long DeletedNotes::Add(StoredNote fields, DeletedTime time, int32_t number) {
    // On top whatever its time says: after the clock was set back, ordering by time would
    // put the note just deleted below older ones, and the first to go.
    entries_.insert(entries_.begin(), Entry{std::move(fields), time, ++lastId_, number});
    Keep();
    return lastId_;
}

void DeletedNotes::AddStored(const std::vector<StoredDeletedNote>& stored, DeletedTime now) {
    for (const auto& note : stored) {
        auto time = ParseTime(note.deleted);
        // A store read again (a second LoadAll) adds none of the notes the list holds already;
        // one dated after now was dated now when it was read first.
        if (!time || std::any_of(entries_.begin(), entries_.end(), [&](const Entry& held) {
                return (held.time == *time || *time > now) && SameNote(held.fields, note.fields);
            }))
            continue;
        // Dated after now (a clock set back), it counts as deleted now: kept its days from
        // now on, and never above the notes deleted after it.
        entries_.push_back(Entry{note.fields, std::min(*time, now), ++lastId_, ParseNumber(note.number).value_or(0)});
    }
    Keep();
}

void DeletedNotes::Keep() {
    if (entries_.size() > kMostDeletedNotes) entries_.resize(kMostDeletedNotes);
}

const DeletedNotes::Entry& DeletedNotes::At(long position) const {
    if (position < 1 || static_cast<size_t>(position) > entries_.size())
        throw tk::Failure(DISP_E_BADINDEX, L"There is no deleted note " + std::to_wstring(position) + L" among " +
                                               std::to_wstring(entries_.size()));
    return entries_[static_cast<size_t>(position) - 1];
}

void DeletedNotes::EraseId(long id) {
    std::erase_if(entries_, [&](const Entry& entry) { return entry.id == id; });
}

std::vector<StoredDeletedNote> DeletedNotes::Stored() const {
    std::vector<StoredDeletedNote> stored;
    for (const auto& entry : entries_)
        stored.push_back({entry.fields, TimeText(entry.time), entry.number > 0 ? std::to_wstring(entry.number) : L""});
    return stored;
}

std::wstring DeletedNotes::Name(const Entry& entry) {
    auto text = [&](const wchar_t* key) { return entry.fields[FieldIndex(key)].value_or(L""); };
    std::wstring title = FirstWords(text(L"title"));
    if (!title.empty()) return text(L"title");
    std::wstring words = FirstWords(text(L"text"));
    if (!words.empty()) return words;
    return entry.number > 0 ? L"Note " + std::to_wstring(entry.number) : L"Empty note";
}

}  // namespace corkbase
