#include "Note.h"

#include "Discarded.h"
#include "NoteOwner.h"
#include "Notes.h"
#include "Units.h"

namespace corkbase {

ComPtr<Note> Note::Create() { return ComPtr<Note>::Attach(new Note()); }

Note::Note() : window_(std::make_unique<frmNote>()) { window_->Parent = this; }

Note::~Note() {
    window_->Parent = nullptr;
    if (window_->Loaded()) window_->Hide();
}

void Note::SetParent(Notes* parent) {
    if (parent) parent_ = parent;
}

void Note::ClearParent() { parent_ = nullptr; }

Notes& Note::RequireParent() {
    if (!parent_) throw tk::Failure(E_POINTER, L"The note belongs to no collection");
    return *parent_;
}

void Note::SetVisible(bool visible) {
    // Showing or hiding failed: the visible flag stays as it was.
    tk::Discarding(visible ? L"showing a note" : L"hiding a note", [&] {
        if (visible)
            window_->Show();
        else
            window_->Hide();
        visible_ = visible;
    });
}

void Note::ApplyTransparencyLevel(int32_t level) {
    bool allow = RequireParent().ThroughClicksValue();
    window_->SetTransparencyLevelAndThroughClicks(level, allow);
}

void Note::ApplyThroughClicks(bool allow) {
    int32_t level = RequireParent().TransparencyLevelValue();
    window_->SetTransparencyLevelAndThroughClicks(level, allow);
}

void Note::ShowNote() {
    // Show keeps whatever it managed and tells the user nothing.
    tk::Discarding(L"showing a note on the screen", [&] {
        if (!visible_) return;
        window_->Show();
        window_->KeepOnMonitor();
    });
}

HRESULT Note::Show() {
    return Guarded([&] { ShowNote(); });
}

HRESULT Note::Hide() {
    return Guarded([&] { HideNote(); });
}

HRESULT Note::get_IsChanged(VARIANT_BOOL* result) {
    return Guarded([&] { *Out(result) = ToVariantBool(changed_); });
}

HRESULT Note::Delete() {
    return Guarded([&] { RequireParent().Remove(id_); });
}

void Note::HideNote() {
    window_->Hide();
    visible_ = false;
}

void Note::Hold() { AddRef(); }

void Note::DeleteNote() { RequireParent().Remove(id_, true); }

void Note::ReleaseHeld() { ReleaseLater(static_cast<_Note*>(this)); }

std::vector<SnapNote> Note::SnapNotes() {
    std::vector<SnapNote> notes;
    // The notes before the one that could not be read stand.
    tk::Discarding(L"reading the notes to snap to", [&] {
        for (const auto& other : RequireParent().List()) {
            VARIANT_BOOL visible = VARIANT_FALSE;
            long id = 0, l = 0, t = 0, w = 0, h = 0;
            CheckCall(other->get_IsVisible(&visible));
            if (visible) {
                CheckCall(other->get_NoteID(&id));
                CheckCall(other->get_Left(&l));
                CheckCall(other->get_Top(&t));
                CheckCall(other->get_Width(&w));
                CheckCall(other->get_Height(&h));
            }
            notes.push_back({visible != VARIANT_FALSE, id, l, t, w, h});
        }
    });
    return notes;
}

HRESULT Note::get_Parent(_Notes** result) {
    return Guarded([&] {
        *Out(result) = parent_;
        if (parent_) parent_->AddRef();
    });
}

HRESULT Note::get_NoteID(long* result) {
    return Guarded([&] { *Out(result) = id_; });
}

HRESULT Note::get_OnTop(VARIANT_BOOL* result) {
    return Guarded([&] { *Out(result) = ToVariantBool(onTop_); });
}

HRESULT Note::put_OnTop(VARIANT_BOOL value) {
    return Guarded([&] { onTop_ = value != VARIANT_FALSE; });
}

HRESULT Note::get_Color(long* result) {
    return Guarded([&] { *Out(result) = static_cast<long>(window_->BackColor()); });
}

HRESULT Note::put_Color(long value) {
    return Guarded([&] { window_->SetNoteColor(static_cast<tk::OleColor>(value)); });
}

HRESULT Note::get_Left(long* result) {
    return Guarded([&] { *Out(result) = tk::RoundHalfEven(window_->Left()); });
}

HRESULT Note::put_Left(long value) {
    return Guarded([&] { window_->SetLeft(tk::KeptTwips(L"Left", value)); });
}

HRESULT Note::get_Top(long* result) {
    return Guarded([&] { *Out(result) = tk::RoundHalfEven(window_->Top()); });
}

HRESULT Note::put_Top(long value) {
    return Guarded([&] { window_->SetTop(tk::KeptTwips(L"Top", value)); });
}

HRESULT Note::get_Height(long* result) {
    return Guarded([&] { *Out(result) = tk::RoundHalfEven(window_->Height()); });
}

HRESULT Note::put_Height(long value) {
    return Guarded([&] { window_->SetHeight(tk::KeptTwips(L"Height", value)); });
}

HRESULT Note::get_Width(long* result) {
    return Guarded([&] { *Out(result) = tk::RoundHalfEven(window_->Width()); });
}

HRESULT Note::put_Width(long value) {
    return Guarded([&] { window_->SetWidth(tk::KeptTwips(L"Width", value)); });
}

HRESULT Note::get_Text(BSTR* result) {
    return Guarded([&] { *Out(result) = tk::Bstr(window_->txtNote.Text()).release(); });
}

HRESULT Note::put_Text(BSTR* value) {
    return Guarded([&] {
        BSTR text = *Out(value);
        window_->txtNote.SetText(text ? std::wstring(text, SysStringLen(text)) : std::wstring());
    });
}

HRESULT Note::get_Collapsed(VARIANT_BOOL* result) {
    return Guarded([&] { *Out(result) = ToVariantBool(window_->IsCollapsed()); });
}

HRESULT Note::put_Collapsed(VARIANT_BOOL) {
    // Writing toggles, whatever the value.
    return Guarded([&] { window_->Collapse(); });
}

HRESULT Note::get_IsVisible(VARIANT_BOOL* result) {
    return Guarded([&] { *Out(result) = ToVariantBool(visible_ && window_->Visible()); });
}

HRESULT Note::get_Title(BSTR* result) {
    return Guarded([&] { *Out(result) = tk::Bstr(window_->lbTitleBar.Caption()).release(); });
}

HRESULT Note::put_Title(BSTR value) {
    return Guarded([&] { window_->SetTitle(value ? std::wstring(value, SysStringLen(value)) : std::wstring()); });
}

HRESULT Note::get_Zoom(long* result) {
    return Guarded([&] { *Out(result) = window_->Zoom(); });
}

HRESULT Note::put_Zoom(long value) {
    return Guarded([&] { window_->SetZoom(value); });
}

}  // namespace corkbase
