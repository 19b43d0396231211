#include "PendingSave.h"

#include "NoteFields.h"
#include "Notes.h"
#include "Store.h"

namespace corkbase {
namespace {

const wchar_t kPendingKey[] = L"saving";

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

}  // namespace

std::wstring PendingSave::ToText() const {
    std::wstring text;
    Put(text, level);
    Put(text, clickThrough);
    Put(text, std::to_wstring(sections.size()));
    for (const auto& values : sections)
        for (const auto& value : values) Put(text, value);
    return text;
}

std::optional<PendingSave> PendingSave::FromText(const std::wstring& text) {
    size_t at = 0;
    PendingSave save;
    auto level = Take(text, at), through = Take(text, at), count = Take(text, at);
    if (!level || !through || !count) return std::nullopt;
    auto notes = ParseNumber(*count);
    // More notes than a load accepts would leave a store that no load can read.
    if (!notes || *notes < 0 || *notes > Notes::kMostNotes || *count != std::to_wstring(*notes)) return std::nullopt;
    save.level = *level;
    save.clickThrough = *through;
    for (int32_t i = 0; i < *notes; ++i) {
        auto& values = save.sections.emplace_back();
        for (size_t k = 0; k < std::size(kNoteFields); ++k) {
            auto value = Take(text, at);
            if (!value) return std::nullopt;
            values.push_back(*value);
        }
    }
    if (at != text.size()) return std::nullopt;
    return save;
}

void PendingSave::Spread(const std::wstring& application) const {
    auto general = StoreSection::ForWriting(application, L"General");
    general.Save(L"level", level);
    general.Save(L"clickthrough", clickThrough);
    for (size_t i = 1; i <= sections.size(); ++i) {
        auto section = StoreSection::ForWriting(application, NoteSection(i));
        for (size_t k = 0; k < std::size(kNoteFields); ++k) {
            const NoteField& f = kNoteFields[k];
            const std::wstring& value = sections[i - 1][k];
            if (f.addedLater && value == field::Stored(f.missing.number) && !section.Holds(f.key)) continue;
            section.Save(f.key, value);
        }
    }
    // Sections beyond the count are never read, so older ones left there do no harm.
    general.Save(L"notes", std::to_wstring(sections.size()));
}

void PendingSave::Save(const std::wstring& application) const {
    auto general = StoreSection::ForWriting(application, L"General");
    general.Save(kPendingKey, ToText());
    Spread(application);
    general.Remove(kPendingKey);
}

void PendingSave::Finish(const std::wstring& application) {
    auto text = StoreSection::ForReading(application, L"General").Get(kPendingKey);
    if (!text) return;
    auto save = FromText(*text);
    if (!save)
        StoreSection::ForReading(application, L"General")
            .Fail(kPendingKey, L"an unfinished save that cannot be read back; nothing has been changed");
    save->Spread(application);
    StoreSection::ForWriting(application, L"General").Remove(kPendingKey);
}

}  // namespace corkbase
