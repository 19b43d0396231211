#include "DeletedStore.h"

#include <algorithm>

#include "EventLog.h"
#include "Failure.h"
#include "Store.h"
#include "Text.h"

namespace corkbase {
namespace {

const wchar_t kDeletedSection[] = L"deleted", kDeletedKey[] = L"deleted", kNumberKey[] = L"number";

std::wstring EntrySection(size_t position) { return std::wstring(kDeletedSection) + L"\\" + std::to_wstring(position); }

// The position a section below "deleted" names, or 0 for a name that is none.
size_t PositionOf(const std::wstring& name) {
    auto number = ParseNumber(name);
    return number && *number > 0 && name == std::to_wstring(*number) ? static_cast<size_t>(*number) : 0;
}

}  // namespace

void SaveDeleted(const std::wstring& application, const std::vector<StoredDeletedNote>& deleted) {
    auto list = StoreSection::ForReading(application, kDeletedSection);
    if (deleted.empty() && !list.Exists()) return;
    for (size_t i = 1; i <= deleted.size(); ++i) {
        auto section = StoreSection::ForWriting(application, EntrySection(i));
        SaveFields(section, deleted[i - 1].fields);
        section.Save(kDeletedKey, deleted[i - 1].deleted);
        if (deleted[i - 1].number.empty())
            section.Remove(kNumberKey);
        else
            section.Save(kNumberKey, deleted[i - 1].number);
    }
    // A note dropped from the list or emptied out of it leaves no text behind.
    for (const auto& name : list.Subsections())
        if (PositionOf(name) > deleted.size()) StoreSection::RemoveSection(application, EntrySection(PositionOf(name)));
    if (deleted.empty() && list.Subsections().empty()) StoreSection::RemoveSection(application, kDeletedSection);
}

std::vector<StoredDeletedNote> LoadDeleted(const std::wstring& application, DeletedTime now) {
    auto list = StoreSection::ForReading(application, kDeletedSection);
    std::vector<size_t> positions;
    for (const auto& name : list.Subsections())
        if (size_t position = PositionOf(name)) positions.push_back(position);
    std::sort(positions.begin(), positions.end());

    std::vector<std::pair<DeletedTime, StoredDeletedNote>> kept;
    size_t damaged = 0;
    std::wstring firstFault;
    for (size_t position : positions) {
        try {
            auto section = StoreSection::ForReading(application, EntrySection(position));
            StoredNote fields = ReadFields(section);
            for (size_t k = 0; k < fields.size(); ++k)
                FieldFrom(kNoteFields[k], fields[k], section.Where(kNoteFields[k].key));
            auto text = section.Get(kDeletedKey);
            auto time = text ? ParseTime(*text) : std::nullopt;
            if (!time) section.Fail(kDeletedKey, text ? Quoted(*text) + L" is no time a note was deleted" : L"missing");
            auto number = section.Get(kNumberKey);
            if (number) NumberFrom(section.Where(kNumberKey), *number);
            if (now - *time <= kDeletedKeptSeconds)
                kept.push_back({*time, {std::move(fields), *text, number.value_or(L"")}});
        } catch (const tk::Failure& failure) {
            if (damaged++ == 0) firstFault = failure.description();
        }
    }
    if (damaged)
        LogWarning(L"Corkbase: " + std::to_wstring(damaged) + L" of the deleted notes cannot be read and are left out (" +
                   firstFault + L")");
    std::stable_sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    if (kept.size() > kMostDeletedNotes) kept.resize(kMostDeletedNotes);
    std::vector<StoredDeletedNote> deleted;
    for (auto& entry : kept) deleted.push_back(std::move(entry.second));
    return deleted;
}

}  // namespace corkbase
