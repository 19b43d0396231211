#pragma once
// The collection of all notes: their order and numbers, the two display options,
// the bulk commands, and loading and saving the whole set.
#include <optional>
#include <vector>

#include "Automation.h"

namespace corkbase {

class Note;

class Notes final : public Dispatch<_Notes2, _Notes> {
public:
    static ComPtr<Notes> Create();

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
    HRESULT STDMETHODCALLTYPE KeepStore() override;

    // Inside the library only.
    const std::vector<ComPtr<Note>>& List() const { return list_; }
    bool ThroughClicksValue() const { return throughClicks_; }
    int32_t TransparencyLevelValue() const { return transparencyLevel_; }
    // A new note at the end of the list; empty when memory ran out (the user has been told).
    ComPtr<Note> Add();
    // Deletes the note with this number; a number that names none changes nothing.
    void Remove(long id);
    // The most notes a collection keeps: every one a save writes loads again.
    static constexpr int32_t kMostNotes = 10000;

private:
    Notes() = default;
    ~Notes() override;
    void RenumberNotes();
    // The bulk commands walk a copy, so a note's command that changes the list cannot upset them.
    std::vector<ComPtr<Note>> Snapshot() const;
    // Fails, writing nothing, when this save would overwrite another writer's.
    void CheckOnlyWriter() const;
    // Remembers the store as this collection has just loaded or saved it.
    void Seen();

    std::vector<ComPtr<Note>> list_;
    bool throughClicks_ = false;
    int32_t transparencyLevel_ = 255;
    tk::UniqueHandle keeps_;                // the store's mark, while this collection keeps it
    bool loaded_ = false;                   // a load has run, whole or not
    bool loadFailed_ = false;               // a load stopped part way
    bool seenStore_ = false;                // loaded or saved: a later save by another is news
    std::optional<uint64_t> storedDigest_;  // the store as this collection last loaded or saved it
};

}  // namespace corkbase
