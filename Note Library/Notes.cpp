#include "Notes.h"

#include <algorithm>

#include "EventLog.h"
#include "MsgBox.h"
#include "Note.h"
#include "NoteFields.h"
#include "NoteList.h"
#include "NoteOwner.h"
#include "PendingSave.h"
#include "Store.h"
#include "StoreKey.h"
#include "StoreKeeper.h"
#include "Text.h"

namespace corkbase {

ComPtr<Notes> Notes::Create() { return ComPtr<Notes>::Attach(new Notes()); }

Notes::~Notes() {
    // Notes that callers still hold see an empty parent from now on.
    for (auto& note : list_) note->ClearParent();
}

HRESULT Notes::CollapseAll() {
    return Guarded([&] {
        for (const auto& note : Snapshot()) note->Window().Collapse();
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
        for (const auto& note : Snapshot()) note->HideNote();
    });
}

ComPtr<Note> Notes::Add() {
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
        return {};
    }
    return note;
}

HRESULT Notes::AddNote(_Note** result) {
    return Guarded([&] {
        *Out(result) = nullptr;
        *result = Add().detach();
    });
}

void Notes::Remove(long id) {
    // A number that names no note changes nothing; the administrator is told.
    if (id < 1 || static_cast<size_t>(id) > list_.size()) {
        LogWarning(L"Corkbase error: There is no note " + std::to_wstring(id) + L" among " +
                   std::to_wstring(list_.size()) + L" notes");
        return;
    }
    // Keep the note alive until it is out of the list: releasing it closes its window.
    ComPtr<Note> removed = list_[static_cast<size_t>(id) - 1];
    list_.erase(list_.begin() + (id - 1));
    // Out of the list, the note belongs to no collection: its stale number must
    // never delete the note that has it now, nor reach a collection gone later.
    removed->ClearParent();
    RenumberNotes();
}

HRESULT Notes::DeleteNote(long* ID, long* result) {
    return Guarded([&] {
        *Out(result) = 0;
        // Like a number that names no note, a missing one is the administrator's to read,
        // never the caller's.
        if (!ID) {
            LogWarning(L"Corkbase error: DeleteNote was given no note number");
            return;
        }
        Remove(*ID);
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

// A stored field's value read back, with the default for a missing key.
FieldValue Load(const StoreSection& section, const NoteField& f) {
    FieldValue value{f.missing.text, f.missing.number, f.missing.flag};
    switch (f.kind) {
        case FieldKind::Text:
            value.text = section.GetText(f.key, f.missing.text);
            break;
        case FieldKind::Twips:
            value.number = section.GetTwips(f.key, f.missing.number);
            break;
        case FieldKind::Number:
            value.number = section.GetNumber(f.key, f.missing.number);
            break;
        case FieldKind::Flag:
            if (auto text = section.Get(f.key)) value.flag = !(text->empty() || *text == L"0");
            break;
    }
    return value;
}

// Where the loaded values put the note's window, and under which title.
tk::Form::Expected ExpectedWindow(const std::vector<FieldValue>& values) {
    constexpr size_t title = FieldIndex(L"title"), left = FieldIndex(L"left"), top = FieldIndex(L"top"),
                     width = FieldIndex(L"width"), height = FieldIndex(L"height");
    static_assert(std::max({title, left, top, width, height}) < std::size(kNoteFields));
    return {values[title].text, static_cast<float>(values[left].number), static_cast<float>(values[top].number),
            static_cast<float>(values[width].number), static_cast<float>(values[height].number)};
}

}  // namespace

void Notes::CheckOnlyWriter() const {
    if (keeps_) {
        if (loadFailed_)
            throw tk::Failure(E_FAIL, L"The stored notes could not all be read, and saving these would drop the "
                                      L"rest; nothing has been written");
        return;
    }
    if (StoreKept(kStoreApplication))
        throw tk::Failure(E_ACCESSDENIED,
                          L"Quillpost is running and keeps these notes: this collection's save would overwrite the "
                          L"notes on the screen, and Quillpost's next save would overwrite it; nothing has been "
                          L"written. Change the notes on the screen through \"Quillpost.Notes\" instead");
    // A store emptied since is no one's save.
    auto stored = seenStore_ ? StoredDigest(kStoreApplication) : std::nullopt;
    if (stored && stored != storedDigest_)
        throw tk::Failure(E_FAIL,
                          L"The stored notes have been saved by another program since this collection loaded them: "
                          L"saving would drop that program's changes; nothing has been written. Load them into a new "
                          L"collection, or change the notes on the screen through \"Quillpost.Notes\"");
}

void Notes::Seen() {
    seenStore_ = true;
    storedDigest_ = StoredDigest(kStoreApplication);
}

HRESULT Notes::KeepStore() {
    return Guarded([&] {
        if (!keeps_) keeps_ = corkbase::KeepStore(kStoreApplication);
    });
}

HRESULT Notes::SaveAll(long* result) {
    return Guarded([&] {
        *Out(result) = 0;
        CheckOnlyWriter();
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
        save.Save(kStoreApplication);
        if (!keeps_) Seen();
    });
}

HRESULT Notes::LoadAll() {
    return Guarded([&] {
        // Loading appends: the notes on the screen would all come a second time.
        if (keeps_ && loaded_)
            throw tk::Failure(E_FAIL, L"These are the notes on the screen, loaded already: loading again would add "
                                      L"every stored note a second time");
        loaded_ = true;
        loadFailed_ = true;
        PendingSave::Finish(kStoreApplication);
        auto general = StoreSection::ForReading(kStoreApplication, L"General");
        transparencyLevel_ = general.GetNumber(L"level", 255);
        throughClicks_ = general.GetFlag(L"clickthrough", false);
        int32_t count = general.GetNumber(L"notes", 0);
        // A corrupt count must neither flood the screen with empty notes nor, through a
        // later save, hide the notes stored after it.
        if (count > kMostNotes)
            general.Fail(L"notes", Quoted(general.GetText(L"notes", L"")) + L" is more notes than the " +
                                       std::to_wstring(kMostNotes) + L" a collection keeps");
        for (int32_t i = 1; i <= count; ++i) {
            auto section = StoreSection::ForReading(kStoreApplication, NoteSection(static_cast<size_t>(i)));
            // Every value is read before the note is made: a value that does not convert adds no note.
            std::vector<FieldValue> values;
            for (const NoteField& f : kNoteFields) values.push_back(Load(section, f));

            ComPtr<Note> note = Add();
            if (!note) throw tk::Failure(E_FAIL, NoteSection(static_cast<size_t>(i)) + L": the note could not be added");
            note->Window().Expect(ExpectedWindow(values));
            for (size_t k = 0; k < std::size(kNoteFields); ++k)
                section.CheckApplied(kNoteFields[k].key, kNoteFields[k].written(*note.get(), values[k]));
            note->ApplyThroughClicks(throughClicks_);
            note->ApplyTransparencyLevel(transparencyLevel_);
        }
        loadFailed_ = false;
        if (!keeps_) Seen();
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
