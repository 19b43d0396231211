#include "Notes.h"

#include "EventLog.h"
#include "MsgBox.h"
#include "Note.h"
#include "NoteFields.h"
#include "NoteList.h"
#include "NoteOwner.h"
#include "PendingSave.h"
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
        // No more than a save can write and a load read back.
        if (list_.size() >= static_cast<size_t>(kMostNotes))
            throw tk::Failure(E_FAIL, L"There are already " + std::to_wstring(kMostNotes) +
                                          L" notes, the most a collection keeps; delete one to add another");
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
        PendingSave save{std::to_wstring(transparencyLevel_), throughClicks_ ? L"True" : L"False", {}};
        save.sections.reserve(list_.size());
        for (size_t i = 1; i <= list_.size(); ++i) {
            std::vector<std::wstring>& values = save.sections.emplace_back();
            for (const NoteField& f : kNoteFields) {
                values.push_back(f.stored(list_[i - 1].get()));
                // Loading refuses such a text, so saving one would leave a store that never loads.
                if (values.back().find(L'\0') != std::wstring::npos)
                    throw tk::Failure(E_INVALIDARG, NoteSection(i) + L"/" + f.key +
                                                        L": a text holding a NUL character cannot be stored");
            }
        }
        save.Save(kApplication);
    });
}

HRESULT Notes::LoadAll() {
    return Guarded([&] {
        PendingSave::Finish(kApplication);
        auto general = StoreSection::ForReading(kApplication, L"General");
        transparencyLevel_ = general.GetNumber(L"level", 255);
        throughClicks_ = general.GetFlag(L"clickthrough", false);
        int32_t count = general.GetNumber(L"notes", 0);
        // A corrupt count must neither flood the screen with empty notes nor, through a
        // later save, hide the notes stored after it.
        if (count > kMostNotes)
            general.Fail(L"notes", Quoted(general.GetText(L"notes", L"")) + L" is more notes than the " +
                                       std::to_wstring(kMostNotes) + L" a collection keeps");
        for (int32_t i = 1; i <= count; ++i) {
            auto section = StoreSection::ForReading(kApplication, NoteSection(static_cast<size_t>(i)));
            // Every value is read before the note is made: a value that does not convert adds no note.
            std::vector<LoadedValue> values;
            for (const NoteField& f : kNoteFields) values.push_back(Load(section, f));

            ComPtr<_Note> added;
            CheckCall(AddNote(added.put()));
            if (!added) throw tk::Failure(E_FAIL, NoteSection(static_cast<size_t>(i)) + L": the note could not be added");
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
