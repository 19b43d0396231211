#include "Notes.h"

#include "EventLog.h"
#include "MsgBox.h"
#include "Note.h"
#include "NoteFields.h"
#include "NoteList.h"
#include "NoteOwner.h"
#include "Store.h"

namespace corkbase {

ComPtr<Notes> Notes::Create() { return ComPtr<Notes>::Attach(new Notes()); }

Notes::~Notes() {
    // Notes that callers still hold see an empty parent from now on.
    for (auto& note : list_) note->ClearParent();
}

HRESULT Notes::CollapseAll() {
    return Guarded([&] {
        for (const auto& note : Snapshot()) CheckCall(note->put_Collapsed(VARIANT_TRUE));
    });
}

HRESULT Notes::ShowAll() {
    return Guarded([&] {
        for (const auto& note : Snapshot()) {
            note->SetVisible(true);
            note->ShowNote();
            note->ApplyThroughClicks(throughClicks_);
            note->ApplyTransparencyLevel(transparencyLevel_);
        }
    });
}

HRESULT Notes::HideAll() {
    return Guarded([&] {
        for (const auto& note : Snapshot()) CheckCall(note->Hide());
    });
}

HRESULT Notes::AddNote(_Note** result) {
    return Guarded([&] {
        *Out(result) = nullptr;
        ComPtr<Note> note = Note::Create();
        note->SetParent(this);
        try {
            list_.push_back(note);
            note->SetNoteID(static_cast<int32_t>(list_.size()));
        } catch (const std::bad_alloc&) {
            if (!list_.empty() && list_.back().get() == note.get()) list_.pop_back();
            tk::MsgBox(NoteOwnerWindow(), L"Out of memory", L"Corkbase", MB_ICONEXCLAMATION);
            return;
        }
        *result = note.detach();
    });
}

HRESULT Notes::DeleteNote(long* ID, long* result) {
    return Guarded([&] {
        *Out(result) = 0;
        try {
            long id = *Out(ID);
            if (id < 1 || static_cast<size_t>(id) > list_.size())
                throw tk::Failure(DISP_E_BADINDEX, L"There is no note " + std::to_wstring(id) + L" among " +
                                                       std::to_wstring(list_.size()) + L" notes");
            // Keep the note alive until it is out of the list: releasing it closes its window.
            ComPtr<Note> removed = list_[static_cast<size_t>(id) - 1];
            list_.erase(list_.begin() + (id - 1));
            // Out of the list, the note belongs to no collection: its stale number must
            // never delete the note that has it now, nor reach a collection gone later.
            removed->ClearParent();
            RenumberNotes();
        } catch (const tk::Failure& e) {
            LogWarning(L"Corkbase error: " + e.description());
        }
    });
}

std::vector<ComPtr<Note>> Notes::Snapshot() const { return list_; }

void Notes::RenumberNotes() {
    size_t count = list_.size();
    for (size_t i = 1; i <= count; ++i) list_[i - 1]->SetNoteID(static_cast<int32_t>(i));
}

HRESULT Notes::get_Notes(_NoteList** result) {
    return Guarded([&] { *Out(result) = NoteList::Create(this).detach(); });
}

namespace {

const wchar_t kApplication[] = L"Corkbase";
constexpr int32_t kMostNotes = 10000;

std::wstring SectionOf(size_t position) { return L"note" + std::to_wstring(position); }

// A stored field's value read back, with the default for a missing key.
LoadedValue Load(const StoreSection& section, const NoteField& f) {
    switch (f.kind) {
        case FieldKind::Twips:
            return {L"", section.GetTwips(f.key, *ParseNumber(f.missing))};
        case FieldKind::Number:
            return {L"", section.GetNumber(f.key, *ParseNumber(f.missing))};
        case FieldKind::Text:
        case FieldKind::Visible:
            break;
    }
    return {section.GetText(f.key, f.missing)};
}

}  // namespace

HRESULT Notes::SaveAll(long* result) {
    return Guarded([&] {
        *Out(result) = 0;
        // Every note is read before anything is written: a note that cannot be read (its
        // window lost) fails the save while the store still holds the last good one.
        std::vector<std::vector<std::wstring>> sections;
        sections.reserve(list_.size());
        for (const auto& note : list_) {
            std::vector<std::wstring>& values = sections.emplace_back();
            for (const NoteField& f : kNoteFields) values.push_back(f.stored(note.get()));
        }
        auto general = StoreSection::ForWriting(kApplication, L"General");
        general.Save(L"level", std::to_wstring(transparencyLevel_));
        general.Save(L"clickthrough", throughClicks_ ? L"True" : L"False");
        for (size_t i = 1; i <= sections.size(); ++i) {
            auto section = StoreSection::ForWriting(kApplication, SectionOf(i));
            for (size_t k = 0; k < std::size(kNoteFields); ++k) section.Save(kNoteFields[k].key, sections[i - 1][k]);
        }
        // The count goes last, for a save cut short by a crash or power cut: written first,
        // a larger count would load sections not yet written (empty notes, or notes deleted
        // long ago), and a smaller one would drop notes that were still to be moved down.
        general.Save(L"notes", std::to_wstring(sections.size()));
    });
}

HRESULT Notes::LoadAll() {
    return Guarded([&] {
        auto general = StoreSection::ForReading(kApplication, L"General");
        transparencyLevel_ = general.GetNumber(L"level", 255);
        throughClicks_ = general.GetFlag(L"clickthrough", false);
        int32_t count = general.GetNumber(L"notes", 0);
        // A corrupt count must neither flood the screen with empty notes nor, through a
        // later save, hide the notes stored after it.
        if (count < 0 || count > kMostNotes)
            general.Fail(L"notes", Quoted(general.GetText(L"notes", L"")) + L" is not a number of notes from 0 to " +
                                       std::to_wstring(kMostNotes));
        for (int32_t i = 1; i <= count; ++i) {
            auto section = StoreSection::ForReading(kApplication, SectionOf(static_cast<size_t>(i)));
            // Every value is read before the note is made: a value that does not convert adds no note.
            std::vector<LoadedValue> values;
            for (const NoteField& f : kNoteFields) values.push_back(Load(section, f));

            ComPtr<_Note> added;
            CheckCall(AddNote(added.put()));
            if (!added) throw tk::Failure(E_FAIL, SectionOf(static_cast<size_t>(i)) + L": the note could not be added");
            auto* note = static_cast<Note*>(added.get());
            bool visible = true;
            for (size_t k = 0; k < std::size(kNoteFields); ++k) {
                const NoteField& f = kNoteFields[k];
                if (f.written)
                    section.CheckApplied(f.key, f.written(note, values[k]));
                else  // the note is visible unless the stored text is empty or exactly "0"
                    visible = !(values[k].text.empty() || values[k].text == L"0");
            }
            note->SetVisible(visible);
            note->ApplyThroughClicks(throughClicks_);
            note->ApplyTransparencyLevel(transparencyLevel_);
        }
    });
}

HRESULT Notes::SetOnTop(VARIANT_BOOL* OnTop) {
    return Guarded([&] {
        VARIANT_BOOL value = OnTop ? *OnTop : VARIANT_TRUE;
        for (const auto& note : Snapshot()) CheckCall(note->put_OnTop(value));
    });
}

HRESULT Notes::get_IsChanged(VARIANT_BOOL* result) {
    return Guarded([&] {
        *Out(result) = VARIANT_FALSE;
        size_t count = list_.size();
        for (size_t i = 0; i < count; ++i) {
            if (list_[i]->Changed()) {
                *result = VARIANT_TRUE;
                return;
            }
        }
    });
}

HRESULT Notes::get_ThroughClicks(VARIANT_BOOL* result) {
    return Guarded([&] { *Out(result) = ToVariantBool(throughClicks_); });
}

HRESULT Notes::put_ThroughClicks(VARIANT_BOOL value) {
    return Guarded([&] {
        throughClicks_ = value != VARIANT_FALSE;
        for (const auto& note : Snapshot()) note->ApplyThroughClicks(throughClicks_);
    });
}

HRESULT Notes::get_TransparencyLevel(long* result) {
    return Guarded([&] { *Out(result) = transparencyLevel_; });
}

HRESULT Notes::put_TransparencyLevel(long value) {
    return Guarded([&] {
        transparencyLevel_ = value;
        for (const auto& note : Snapshot()) note->ApplyTransparencyLevel(transparencyLevel_);
    });
}

}  // namespace corkbase
