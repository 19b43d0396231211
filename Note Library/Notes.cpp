#include "Notes.h"

#include <algorithm>

#include "DeletedStore.h"
#include "Discarded.h"
#include "EventLog.h"
#include "MsgBox.h"
#include "Note.h"
#include "NoteFields.h"
#include "NoteList.h"
#include "NoteOwner.h"
#include "NoteSections.h"
#include "PendingSave.h"
#include "Store.h"
#include "StoreKey.h"
#include "StoreKeeper.h"
#include "Text.h"
#include "dlgInputbox.h"

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
        for (const auto& note : Snapshot()) ShowWithOptions(*note.get());
    });
}

void Notes::ShowWithOptions(Note& note) {
    note.SetVisible(true);
    note.ShowNote();
    note.ApplyThroughClicks(throughClicks_);
    note.ApplyTransparencyLevel(transparencyLevel_);
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

void Notes::Remove(long id, bool byItsCommand) {
    // A number that names no note changes nothing; the administrator is told.
    if (id < 1 || static_cast<size_t>(id) > list_.size()) {
        LogWarning(L"Corkbase error: There is no note " + std::to_wstring(id) + L" among " +
                   std::to_wstring(list_.size()) + L" notes");
        return;
    }
    // Keep the note alive until it is out of the list: releasing it closes its window.
    ComPtr<Note> removed = list_[static_cast<size_t>(id) - 1];
    // Everything a save would write of it, read before it goes: a note that cannot be read
    // (its window lost) still goes, kept by nobody.
    StoredNote fields;
    tk::Discarding(L"keeping a deleted note", [&] {
        for (const NoteField& f : kNoteFields) fields.push_back(f.stored(removed.get()));
    });
    // Kept before it leaves the list: a deleted note that cannot be kept stays a note.
    long kept = 0;
    if (fields.size() == std::size(kNoteFields))
        kept = deleted_.Add(std::move(fields), TimeNow(), static_cast<int32_t>(id));
    list_.erase(list_.begin() + (id - 1));
    // Out of the list, the note belongs to no collection: its stale number must
    // never delete the note that has it now, nor reach a collection gone later.
    removed->ClearParent();
    RenumberNotes();
    if (byItsCommand && kept) lastByCommand_ = kept;
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

// Where the loaded values put the note's window, and under which title.
tk::Form::Expected ExpectedWindow(const std::vector<FieldValue>& values) {
    constexpr size_t title = FieldIndex(L"title"), left = FieldIndex(L"left"), top = FieldIndex(L"top"),
                     width = FieldIndex(L"width"), height = FieldIndex(L"height");
    static_assert(std::max({title, left, top, width, height}) < std::size(kNoteFields));
    return {values[title].text, static_cast<float>(values[left].number), static_cast<float>(values[top].number),
            static_cast<float>(values[width].number), static_cast<float>(values[height].number)};
}

// Gives a new note the values; a failure names where the value came from (section/key).
void Fill(Note& note, const std::vector<FieldValue>& values, const std::wstring& where) {
    note.Window().Expect(ExpectedWindow(values));
    for (size_t k = 0; k < std::size(kNoteFields); ++k) {
        HRESULT hr = kNoteFields[k].written(note, values[k]);
        if (FAILED(hr)) {
            tk::Failure failure = tk::CallFailure(hr);
            throw tk::Failure(failure.hr(), where + L"/" + kNoteFields[k].key + L": " + failure.description());
        }
    }
}

}  // namespace

void Notes::CheckOnlyWriter() const {
    if (keeps_) return;
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

void Notes::Seen(std::optional<uint64_t> digest) {
    seenStore_ = true;
    storedDigest_ = digest;
}

HRESULT Notes::QueryInterface(REFIID riid, void** ppv) {
    if (ppv && riid == IID_IStoreKeeper) {
        *ppv = static_cast<IStoreKeeper*>(this);
        AddRef();
        return S_OK;
    }
    return Dispatch::QueryInterface(riid, ppv);
}

HRESULT Notes::KeepStore() {
    return Guard(IID_IStoreKeeper, [&] {
        if (!keeps_) keeps_ = corkbase::KeepStore(kStoreApplication);
    });
}

HRESULT Notes::SaveAll(long* result) {
    return Guarded([&] {
        *Out(result) = 0;
        if (partial_)
            throw tk::Failure(E_FAIL,
                              L"Nothing was saved: this collection's LoadAll did not finish, so it holds only "
                              L"part of the stored notes and saving it would write over the others");
        CheckOnlyWriter();
        // Every note is read before anything is written: a note that cannot be read (its
        // window lost) fails the save while the store still holds the last good one.
        PendingSave save{std::to_wstring(transparencyLevel_), throughClicks_ ? L"True" : L"False", {}, {}};
        save.sections.reserve(list_.size());
        for (size_t i = 1; i <= list_.size(); ++i) {
            StoredNote& values = save.sections.emplace_back();
            for (const NoteField& f : kNoteFields) {
                values.push_back(f.stored(list_[i - 1].get()));
                // Loading refuses such a text, so saving one would leave a store that never loads.
                if (values.back() && values.back()->find(L'\0') != std::wstring::npos)
                    throw tk::Failure(E_INVALIDARG, NoteSection(i) + L"/" + f.key +
                                                        L": a text holding a NUL character cannot be stored");
            }
        }
        // A collection that never loaded (a script's new notes) writes its own deletions
        // on top of the stored ones and otherwise leaves the stored list as it is.
        if (!deletedRead_ && deleted_.Count() > 0) ReadDeleted();
        if (deletedRead_) save.deleted = deleted_.Stored();
        save.Save(kStoreApplication);
        if (!keeps_) Seen(StoredDigest(kStoreApplication));
    });
}

HRESULT Notes::LoadAll() {
    // Loading appends: the notes on the screen would all come a second time.
    if (keeps_ && loaded_)
        return Guarded([] {
            throw tk::Failure(E_FAIL, L"These are the notes on the screen, loaded already: loading again would add "
                                      L"every stored note a second time");
        });
    loaded_ = true;
    bool failedBefore = partial_;
    partial_ = true;
    HRESULT hr = Guarded([&] {
        PendingSave::Finish(kStoreApplication);
        // Taken before reading: a save by another while this load reads leaves it out of date.
        auto read = keeps_ ? std::nullopt : StoredDigest(kStoreApplication);
        auto general = StoreSection::ForReading(kStoreApplication, L"General");
        transparencyLevel_ = general.GetNumber(L"level", 255);
        throughClicks_ = general.GetFlag(L"clickthrough", false);
        int32_t count = general.GetNumber(L"notes", 0);
        // A corrupt count must neither flood the screen with empty notes nor, through a
        // later save, hide the notes stored after it.
        if (count > kMostNotes)
            general.Fail(L"notes", Quoted(general.GetText(L"notes", L"")) + L" is more notes than the " +
                                       std::to_wstring(kMostNotes) + L" a collection keeps");
        // No save writes one: read as no notes, the next save would write over every section.
        if (count < 0) general.Fail(L"notes", Quoted(general.GetText(L"notes", L"")) + L" is fewer than no notes");
        for (int32_t i = 1; i <= count; ++i) {
            auto section = StoreSection::ForReading(kStoreApplication, NoteSection(static_cast<size_t>(i)));
            // Every value is read before the note is made: a value that does not convert adds no note.
            std::vector<FieldValue> values;
            for (const NoteField& f : kNoteFields)
                values.push_back(FieldFrom(f, FieldText(section, f), section.Where(f.key)));

            ComPtr<Note> note = Add();
            if (!note) throw tk::Failure(E_FAIL, NoteSection(static_cast<size_t>(i)) + L": the note could not be added");
            Fill(*note.get(), values, NoteSection(static_cast<size_t>(i)));
            note->ApplyThroughClicks(throughClicks_);
            note->ApplyTransparencyLevel(transparencyLevel_);
        }
        // The deleted notes never stop the notes from loading.
        ReadDeleted();
        if (!keeps_) Seen(read);
    });
    // Notes a failed load left in the list stay partial whatever loads after them.
    if (SUCCEEDED(hr)) partial_ = failedBefore;
    return hr;
}

std::wstring Notes::ReadDeleted() {
    try {
        DeletedTime now = TimeNow();
        deleted_.AddStored(LoadDeleted(kStoreApplication, now), now);
        deletedRead_ = true;
        return {};
    } catch (const tk::Failure& failure) {
        // What the store holds now is unknown: writing the list could drop what it holds.
        deletedRead_ = false;
        LogWarning(L"Corkbase: the deleted notes cannot be read and are kept as they are: " + failure.description());
        return failure.description();
    }
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

HRESULT Notes::FindInNotes(BSTR What, long* Found) {
    return Guarded([&] {
        *Out(Found) = 0;
        std::wstring what = What ? std::wstring(What, SysStringLen(What)) : std::wstring();
        if (what.empty()) return;
        lastFind_ = what;
        // Every note is looked through before any is shown, so showing one cannot change
        // which match. npos: the match is in the title only.
        struct Match {
            ComPtr<Note> note;
            size_t at;
        };
        std::vector<Match> matches;
        std::wstring lowered = Lower(what);
        for (const auto& note : Snapshot()) {
            frmNote& window = note->Window();
            size_t at = FindLowered(window.txtNote.Text(), lowered);
            if (at != std::wstring::npos || FindLowered(window.lbTitleBar.Caption(), lowered) != std::wstring::npos)
                matches.push_back({note, at});
        }
        for (const Match& match : matches) {
            frmNote& window = match.note->Window();
            window.UnfoldText();
            ShowWithOptions(*match.note.get());
            if (match.at != std::wstring::npos) window.SelectInView(match.at, what.size());
        }
        // Every match in front of the notes that do not match, the first in front of all.
        for (auto match = matches.rbegin(); match != matches.rend(); ++match) match->note->Window().BringForward();
        // F3 then goes on from the first match, within the first note.
        if (!matches.empty()) matches.front().note->Window().TakeFocus();
        *Found = static_cast<long>(matches.size());
    });
}

HRESULT Notes::AskFindText(BSTR* What) {
    return Guarded([&] {
        *Out(What) = nullptr;
        dlgInputbox dialog;
        dialog.SetCaption(L"Find in Notes");
        dialog.lblPrompt.SetCaption(L"Find what:");
        dialog.txtText.SetText(lastFind_);
        // Typing replaces the last text; Enter looks for it again.
        dialog.txtText.Select(0, static_cast<int>(lastFind_.size()));
        dialog.CentreOver(GetDesktopWindow());
        dialog.ShowModal(NoteOwnerWindow());
        if (dialog.OkPressed) *What = tk::Bstr(dialog.txtText.Text()).release();
    });
}


HRESULT Notes::get_DeletedCount(long* result) {
    return Guarded([&] { *Out(result) = static_cast<long>(deleted_.Count()); });
}

HRESULT Notes::get_DeletedName(long Index, BSTR* result) {
    return Guarded([&] {
        *Out(result) = nullptr;
        *result = tk::Bstr(DeletedNotes::Name(deleted_.At(Index))).release();
    });
}

HRESULT Notes::get_DeletedTime(long Index, DATE* result) {
    return Guarded([&] {
        *Out(result) = 0;
        *result = LocalDate(deleted_.At(Index).time);
    });
}

HRESULT Notes::get_DeletedID(long Index, long* result) {
    return Guarded([&] {
        *Out(result) = 0;
        *result = deleted_.At(Index).id;
    });
}

HRESULT Notes::RestoreDeleted(long Index, _Note** result) {
    return Guarded([&] {
        *Out(result) = nullptr;
        // Making the window may run the message loop, and a deletion meanwhile moves the
        // entries down: the entry is known by its id, never by its place.
        const DeletedNotes::Entry& entry = deleted_.At(Index);
        const long id = entry.id;
        const std::wstring where = L"deleted note " + std::to_wstring(Index);
        std::vector<FieldValue> values;
        for (size_t k = 0; k < std::size(kNoteFields); ++k)
            values.push_back(FieldFrom(kNoteFields[k], entry.fields[k], where + L"/" + kNoteFields[k].key));
        // Shown wherever it was when deleted; Show then keeps it on a monitor.
        values[FieldIndex(L"visible")].flag = true;
        ComPtr<Note> note = Add();
        if (!note) throw tk::Failure(E_FAIL, L"The deleted note could not be added");
        try {
            Fill(*note.get(), values, where);
        } catch (...) {
            // Half made, it is no note of the list nor a deleted one: the entry stays.
            list_.pop_back();
            note->ClearParent();
            throw;
        }
        ShowWithOptions(*note.get());
        deleted_.EraseId(id);
        *result = note.detach();
    });
}

HRESULT Notes::EmptyDeleted() {
    return Guarded([&] {
        // The stored ones are emptied too: they leave the store at the next save.
        if (!deletedRead_) {
            std::wstring fault = ReadDeleted();
            if (!fault.empty())
                throw tk::Failure(E_FAIL, L"The deleted notes were not emptied: the stored ones cannot be read (" +
                                              fault + L") and would come back at the next start");
        }
        deleted_.Clear();
    });
}

HRESULT Notes::get_LastDeletedByCommand(long* result) {
    return Guarded([&] { *Out(result) = lastByCommand_; });
}

}  // namespace corkbase
