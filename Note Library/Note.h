#pragma once
// One sticky note: its number in the collection, three flags, and the window that holds
// everything visible about it (position, size, colour, text, title).
#include <memory>

#include "Automation.h"
#include "NoteFields.h"
#include "NoteSite.h"
#include "frmNote.h"

namespace corkbase {

class Notes;

class Note final : public Dispatch<_Note2, _Note>, public NoteSite, public LoadedNote {
public:
    static ComPtr<Note> Create();

    HRESULT STDMETHODCALLTYPE Show() override;
    HRESULT STDMETHODCALLTYPE Hide() override;
    HRESULT STDMETHODCALLTYPE get_IsChanged(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE Delete() override;
    HRESULT STDMETHODCALLTYPE get_Parent(_Notes** result) override;
    HRESULT STDMETHODCALLTYPE get_NoteID(long* result) override;
    HRESULT STDMETHODCALLTYPE get_OnTop(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE put_OnTop(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_Color(long* result) override;
    HRESULT STDMETHODCALLTYPE put_Color(long value) override;
    HRESULT STDMETHODCALLTYPE get_Left(long* result) override;
    HRESULT STDMETHODCALLTYPE put_Left(long value) override;
    HRESULT STDMETHODCALLTYPE get_Top(long* result) override;
    HRESULT STDMETHODCALLTYPE put_Top(long value) override;
    HRESULT STDMETHODCALLTYPE get_Height(long* result) override;
    HRESULT STDMETHODCALLTYPE put_Height(long value) override;
    HRESULT STDMETHODCALLTYPE get_Width(long* result) override;
    HRESULT STDMETHODCALLTYPE put_Width(long value) override;
    HRESULT STDMETHODCALLTYPE get_Text(BSTR* result) override;
    HRESULT STDMETHODCALLTYPE put_Text(BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_Collapsed(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE put_Collapsed(VARIANT_BOOL value) override;
    HRESULT STDMETHODCALLTYPE get_IsVisible(VARIANT_BOOL* result) override;
    HRESULT STDMETHODCALLTYPE get_Title(BSTR* result) override;
    HRESULT STDMETHODCALLTYPE put_Title(BSTR value) override;
    HRESULT STDMETHODCALLTYPE get_Zoom(long* result) override;
    HRESULT STDMETHODCALLTYPE put_Zoom(long value) override;

    // Inside the library only.
    void SetParent(Notes* parent);  // an empty reference keeps the previous parent
    void ClearParent();             // the collection is going away
    void SetChanged(bool changed) override { changed_ = changed; }
    bool Changed() const { return changed_; }
    void SetNoteID(int32_t id) { id_ = id; }
    int32_t NoteIDValue() const override { return id_; }
    // The collection, or a failure saying the note belongs to none.
    Notes& RequireParent();
    void SetVisible(bool visible) override;
    _Note2* Interface() override { return this; }
    void ApplyTransparencyLevel(int32_t level);
    void ApplyThroughClicks(bool allow);
    void ShowNote();
    frmNote& Window() { return *window_; }

    // What its window asks of it.
    void HideNote() override;
    void Hold() override;
    void DeleteNote() override;
    void ReleaseHeld() override;
    std::vector<SnapNote> SnapNotes() override;

private:
    Note();
    ~Note() override;

    Notes* parent_ = nullptr;
    int32_t id_ = 0;
    std::unique_ptr<frmNote> window_;
    bool changed_ = false;
    bool onTop_ = false;
    bool visible_ = true;
};

}  // namespace corkbase
