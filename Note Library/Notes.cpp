#include "Notes.h"

#include "EventLog.h"
#include "MsgBox.h"
#include "Note.h"
#include "NoteList.h"

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
            tk::MsgBox(nullptr, L"Out of memory", L"Corkbase", MB_ICONEXCLAMATION);
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

HRESULT Notes::SaveAll(long* result) {
    return Guarded([&] {
        *Out(result) = 0;
        throw tk::Failure(E_NOTIMPL, L"Saving notes is not available in this version of the library");
    });
}

HRESULT Notes::LoadAll() {
    return Guarded(
        [&] { throw tk::Failure(E_NOTIMPL, L"Loading notes is not available in this version of the library"); });
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
