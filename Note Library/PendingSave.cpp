#include "PendingSave.h"

#include <map>

#include "DeletedStore.h"
#include "NoteSections.h"
#include "NoteFields.h"
#include "Notes.h"
#include "Store.h"
#include "StoreKey.h"

namespace corkbase {
namespace {

// The record begins with the marker and its version. A record of the first layout begins
// with the level, the click-through flag and the note count, so an older Quillpost reads
// the marker as a level and the first part's name as its count, which is no number: it
// refuses the record and changes nothing. A later version that could not be read as
// below would change the marker.
const wchar_t kMarker[] = L"Quillpost unfinished save";
constexpr int32_t kVersion = 2;
// The parts after the version, each as its name, its number of items and the items.
// Every note is its number of key and value pairs, then the pairs; so is every deleted
// note, with its time under kDeletedKey and its number, when known, under kNumberKey.
// Keys, parts and pairs this version does not know are passed over, and a field without a
// pair is not in the note's section. A record without the deleted part leaves the stored
// deleted notes as they are.
const wchar_t kGeneralPart[] = L"general", kNotesPart[] = L"notes", kDeletedPart[] = L"deleted";
const wchar_t kLevelKey[] = L"level", kClickThroughKey[] = L"clickthrough", kDeletedKey[] = L"deleted",
              kNumberKey[] = L"number";
// The fields of a note in a record of the first layout, in its order.
constexpr const wchar_t* kFirstLayoutFields[] = {L"title", L"left", L"top",  L"width",
                                                 L"height", L"color", L"text", L"visible"};

// Each item as its length, a colon and its characters: any text, line breaks included.
void Put(std::wstring& out, const std::wstring& item) {
    out += std::to_wstring(item.size());
    out += L':';
    out += item;
}

std::optional<std::wstring> Take(const std::wstring& in, size_t& at) {
    size_t colon = in.find(L':', at);
    if (colon == std::wstring::npos || colon == at || colon - at > 9) return std::nullopt;
    size_t length = 0;
    for (size_t i = at; i < colon; ++i) {
        if (in[i] < L'0' || in[i] > L'9') return std::nullopt;
        length = length * 10 + static_cast<size_t>(in[i] - L'0');
    }
    if (length > in.size() - colon - 1) return std::nullopt;
    at = colon + 1 + length;
    return in.substr(colon + 1, length);
}

// A count as the record writes it: plain decimal, no more than limit.
std::optional<size_t> TakeCount(const std::wstring& in, size_t& at, size_t limit) {
    auto text = Take(in, at);
    if (!text) return std::nullopt;
    auto number = ParseNumber(*text);
    if (!number || *number < 0 || static_cast<size_t>(*number) > limit || *text != std::to_wstring(*number))
        return std::nullopt;
    return static_cast<size_t>(*number);
}

// Pairs as a count, then keys and values.
void PutPairs(std::wstring& out, const std::vector<std::pair<std::wstring, std::wstring>>& pairs) {
    Put(out, std::to_wstring(pairs.size()));
    for (const auto& [key, value] : pairs) {
        Put(out, key);
        Put(out, value);
    }
}

std::optional<std::map<std::wstring, std::wstring>> TakePairs(const std::wstring& in, size_t& at) {
    auto count = TakeCount(in, at, in.size());
    if (!count) return std::nullopt;
    std::map<std::wstring, std::wstring> pairs;
    for (size_t i = 0; i < *count; ++i) {
        auto key = Take(in, at), value = Take(in, at);
        if (!key || !value) return std::nullopt;
        pairs[*key] = *value;
    }
    return pairs;
}

std::vector<std::pair<std::wstring, std::wstring>> PairsOf(const StoredNote& note) {
    std::vector<std::pair<std::wstring, std::wstring>> pairs;
    for (size_t k = 0; k < note.size(); ++k)
        if (note[k]) pairs.emplace_back(kNoteFields[k].key, *note[k]);
    return pairs;
}

StoredNote NoteOf(const std::map<std::wstring, std::wstring>& pairs) {
    StoredNote note(std::size(kNoteFields));
    for (size_t k = 0; k < note.size(); ++k)
        if (auto found = pairs.find(kNoteFields[k].key); found != pairs.end()) note[k] = found->second;
    return note;
}

std::optional<PendingSave> FromFirstLayout(const std::wstring& text) {
    size_t at = 0;
    PendingSave save;
    auto level = Take(text, at), through = Take(text, at);
    auto notes = TakeCount(text, at, Notes::kMostNotes);
    if (!level || !through || !notes) return std::nullopt;
    save.level = *level;
    save.clickThrough = *through;
    for (size_t i = 0; i < *notes; ++i) {
        StoredNote& note = save.sections.emplace_back(std::size(kNoteFields));
        for (const wchar_t* key : kFirstLayoutFields) {
            auto value = Take(text, at);
            if (!value) return std::nullopt;
            note[FieldIndex(key)] = *value;
        }
    }
    if (at != text.size()) return std::nullopt;
    return save;
}

// The parts after the version. A part of a name this version does not know is passed over.
std::optional<PendingSave> FromParts(const std::wstring& text, size_t at) {
    PendingSave save;
    bool general = false, notes = false;
    while (at < text.size()) {
        auto name = Take(text, at);
        auto items = TakeCount(text, at, text.size());
        if (!name || !items) return std::nullopt;
        size_t start = at;
        for (size_t i = 0; i < *items; ++i)
            if (!Take(text, at)) return std::nullopt;
        // A known part holds exactly the items it announced.
        const std::wstring part = text.substr(start, at - start);
        size_t p = 0;
        if (*name == kGeneralPart) {
            auto pairs = TakePairs(part, p);
            if (!pairs || !pairs->contains(kLevelKey) || !pairs->contains(kClickThroughKey)) return std::nullopt;
            save.level = pairs->at(kLevelKey);
            save.clickThrough = pairs->at(kClickThroughKey);
            general = true;
        } else if (*name == kNotesPart || *name == kDeletedPart) {
            bool isNotes = *name == kNotesPart;
            if (!isNotes) save.deleted.emplace();
            auto count = TakeCount(part, p, isNotes ? Notes::kMostNotes : part.size());
            if (!count) return std::nullopt;
            for (size_t i = 0; i < *count; ++i) {
                auto pairs = TakePairs(part, p);
                if (!pairs) return std::nullopt;
                if (isNotes) {
                    save.sections.push_back(NoteOf(*pairs));
                } else {
                    auto deleted = pairs->find(kDeletedKey);
                    if (deleted == pairs->end()) return std::nullopt;
                    auto number = pairs->find(kNumberKey);
                    save.deleted->push_back(
                        {NoteOf(*pairs), deleted->second, number == pairs->end() ? L"" : number->second});
                }
            }
            notes = notes || isNotes;
        } else {
            continue;
        }
        if (p != part.size()) return std::nullopt;
    }
    if (!general || !notes) return std::nullopt;
    return save;
}

// Appends a part: its name, its number of items and the items.
void PutPart(std::wstring& out, const wchar_t* name, const std::wstring& items, size_t count) {
    Put(out, name);
    Put(out, std::to_wstring(count));
    out += items;
}

}  // namespace

std::wstring PendingSave::ToText() const {
    std::wstring text;
    Put(text, kMarker);
    Put(text, std::to_wstring(kVersion));

    std::wstring items;
    PutPairs(items, {{kLevelKey, level}, {kClickThroughKey, clickThrough}});
    PutPart(text, kGeneralPart, items, 1 + 2 * 2);

    items.clear();
    size_t count = 1;
    Put(items, std::to_wstring(sections.size()));
    for (const auto& note : sections) {
        auto pairs = PairsOf(note);
        PutPairs(items, pairs);
        count += 1 + 2 * pairs.size();
    }
    PutPart(text, kNotesPart, items, count);
    if (!deleted) return text;

    items.clear();
    count = 1;
    Put(items, std::to_wstring(deleted->size()));
    for (const auto& note : *deleted) {
        auto pairs = PairsOf(note.fields);
        pairs.emplace_back(kDeletedKey, note.deleted);
        if (!note.number.empty()) pairs.emplace_back(kNumberKey, note.number);
        PutPairs(items, pairs);
        count += 1 + 2 * pairs.size();
    }
    PutPart(text, kDeletedPart, items, count);
    return text;
}

std::optional<PendingSave> PendingSave::FromText(const std::wstring& text) {
    size_t at = 0;
    auto marker = Take(text, at);
    if (!marker || *marker != kMarker) return FromFirstLayout(text);
    // A later version's record holds at least what this one reads.
    auto version = Take(text, at);
    if (!version) return std::nullopt;
    auto number = ParseNumber(*version);
    if (!number || *number < kVersion || *version != std::to_wstring(*number)) return std::nullopt;
    return FromParts(text, at);
}

void PendingSave::Spread(const std::wstring& application) const {
    auto general = StoreSection::ForWriting(application, L"General");
    general.Save(L"level", level);
    general.Save(L"clickthrough", clickThrough);
    for (size_t i = 1; i <= sections.size(); ++i) {
        auto section = StoreSection::ForWriting(application, NoteSection(i));
        SaveFields(section, sections[i - 1]);
    }
    // Sections beyond the count are never read, so older ones left there do no harm.
    general.Save(L"notes", std::to_wstring(sections.size()));
    if (deleted) SaveDeleted(application, *deleted);
}

void PendingSave::Save(const std::wstring& application) const {
    auto general = StoreSection::ForWriting(application, L"General");
    general.Save(kPendingSaveKey, ToText());
    Spread(application);
    general.Remove(kPendingSaveKey);
}

void PendingSave::Finish(const std::wstring& application) {
    auto text = StoreSection::ForReading(application, L"General").Get(kPendingSaveKey);
    if (!text) return;
    auto save = FromText(*text);
    if (!save)
        StoreSection::ForReading(application, L"General")
            .Fail(kPendingSaveKey, L"an unfinished save that cannot be read back; nothing has been changed");
    save->Spread(application);
    StoreSection::ForWriting(application, L"General").Remove(kPendingSaveKey);
}

}  // namespace corkbase
