#pragma once
// The collection of all notes: their order and numbers, the two display options,
// the bulk commands, finding a text among the notes, and loading and saving the whole set.
#include <optional>
#include <string>
#include <vector>

#include "Automation.h"
#include "DeletedNotes.h"

namespace corkbase {

class Note;

class Notes final : public Dispatch<_Notes2, _Notes>, public IStoreKeeper {
public:
    static ComPtr<Notes> Create();

    // IUnknown for both: IStoreKeeper is answered beside what Dispatch answers.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override;
    ULONG STDMETHODCALLTYPE AddRef() override { return Dispatch::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Dispatch::Release(); }
    HRESULT STDMETHODCALLTYPE KeepStore() override;

    // Despite its name it toggles each note, as designed: a collapsed note opens again.
    HRESULT STDMETHODCALLTYPE CollapseAll() override;
    HRESULT STDMETHODCALLTYPE ShowAll() override;
    HRESULT STDMETHODCALLTYPE HideAll() override;
    HRESULT STDMETHODCALLTYPE AddNote(_Note** result) override;
    HRESULT STDMETHODCALLTYPE DeleteNote(long* ID, long* result) override;
    HRESULT STDMETHODCALLTYPE get_Notes(_NoteList** result) override;
    HRESULT STDMETHODCALLTYPE SaveAll(long* result) override;
    HRESULT STDMETHODCALLTYPE SetOnTop(VARIANT_BOOL* OnTop) override;
    HRESULT STDMETHODCALLTYPE LoadAll() override;
    HRESULT STDMETHODCALLTYPE get_IsChanged(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE get_ThroughClicks(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE put_ThroughClicks(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_TransparencyLevel(long* result) override;
    HRESULT STDMETHODCALLTYPE put_TransparencyLevel(long value) override;
    // Shows every note whose title or text holds What, ignoring letter case; Found is how many.
    HRESULT STDMETHODCALLTYPE FindInNotes(BSTR What, long* Found) override;
    // The text to find, asked in a dialog that offers the last one looked for; empty when
    // cancelled.
    HRESULT STDMETHODCALLTYPE AskFindText(BSTR* What) override;
    HRESULT STDMETHODCALLTYPE get_DeletedCount(long* result) override;
    HRESULT STDMETHODCALLTYPE get_DeletedName(long Index, BSTR* result) override;
    HRESULT STDMETHODCALLTYPE get_DeletedTime(long Index, DATE* result) override;
    HRESULT STDMETHODCALLTYPE get_DeletedID(long Index, long* result) override;
    HRESULT STDMETHODCALLTYPE RestoreDeleted(long Index, _Note** result) override;
    HRESULT STDMETHODCALLTYPE EmptyDeleted() override;
    HRESULT STDMETHODCALLTYPE get_LastDeletedByCommand(long* result) override;

    // Inside the library only.
    const std::vector<ComPtr<Note>>& List() const { return list_; }
    bool ThroughClicksValue() const { return throughClicks_; }
    int32_t TransparencyLevelValue() const { return transparencyLevel_; }
    // A new note at the end of the list. Empty when the list cannot grow for want of
    // memory, after a message box has told the user; a note that cannot be made throws,
    // and its failure goes to the caller only.
    ComPtr<Note> Add();
    // Deletes the note with this number and keeps it on top of the deleted notes; a number
    // that names none changes nothing. byItsCommand: the note's own Delete command.
    void Remove(long id, bool byItsCommand = false);
    // The most notes a collection keeps: every one a save writes loads again.
    static constexpr int32_t kMostNotes = 10000;

private:
    Notes() = default;
    ~Notes() override;
    void RenumberNotes();
    // The bulk commands walk a copy, so a note's command that changes the list cannot upset them.
    std::vector<ComPtr<Note>> Snapshot() const;
    // What Show All does to each note: shown with the current options.
    void ShowWithOptions(Note& note);
    // Fails, writing nothing, when this save would overwrite another writer's.
    void CheckOnlyWriter() const;
    // Remembers the store as this collection has just loaded or saved it, by its digest.
    void Seen(std::optional<uint64_t> digest);
    // Puts the stored deleted notes below those the list holds. A list that cannot be read
    // is left in the store as it is, a warning says so, and its failure is returned.
    std::wstring ReadDeleted();

    std::vector<ComPtr<Note>> list_;
    DeletedNotes deleted_;
    // Whether the stored deleted notes are in deleted_: until then a save leaves them as
    // they are.
    bool deletedRead_ = false;
    long lastByCommand_ = 0;
    bool throughClicks_ = false;
    int32_t transparencyLevel_ = 255;
    tk::UniqueHandle keeps_;                // the store's mark, while this collection keeps it
    bool loaded_ = false;                   // a load has run, whole or not
    bool seenStore_ = false;                // loaded or saved: a later save by another is news
    std::optional<uint64_t> storedDigest_;  // the store as this collection last loaded or saved it
    // A LoadAll is under way or failed: the list holds part of the store at most, and a
    // save would write over the notes it never read.
    bool partial_ = false;
    std::wstring lastFind_;  // the text FindInNotes last looked for
};

}  // namespace corkbase
