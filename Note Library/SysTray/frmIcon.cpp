#include "frmIcon.h"

#include <commdlg.h>

#include <cmath>

#include "ApplicationLog.h"
#include "DeletedCaption.h"
#include "Discarded.h"
#include "ExportFile.h"
#include "Failure.h"
#include "MsgBox.h"
#include "NoteAccess.h"
#include "NoteSize.h"
#include "NotesClass.h"
#include "RegistrationProbe.h"
#include "StoreKey.h"
#include "TrayMenu.h"
#include "UnfinishedSave.h"
#include "Units.h"
#include "frmOptions.h"
#include "modAutoSave.h"
#include "modSysTray.h"

namespace qpost {
namespace {

const wchar_t kTitle[] = L"Quillpost";
constexpr UINT_PTR AutoSaveTimer = 1;
constexpr long kOffset = 80;  // twips a new note moves off a note at the same place

// COM starts a class's local server with -Embedding (or /Embedding) among its arguments.
bool StartedForScript() {
    int count = 0;
    LPWSTR* args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args) return false;
    bool found = false;
    for (int i = 1; i < count; ++i)
        found = found || _wcsicmp(args[i], L"-Embedding") == 0 || _wcsicmp(args[i], L"/Embedding") == 0;
    LocalFree(args);
    return found;
}

}  // namespace

frmIcon::frmIcon()
    : Form({.className = L"QuillpostIcon", .style = WS_POPUP, .width = 2835, .height = 930, .caption = kTitle}),
      mnuPopup(TrayMenu({
          .mnuNew_Click = [this] { mnuNew_Click(); },
          .mnuShowAll_Click = [this] { mnuShowAll_Click(); },
          .mnuHideAll_Click = [this] { mnuHideAll_Click(); },
          .mnuDefaultSize_Click = [this] { mnuDefaultSize_Click(); },
          .mnuSaveAll_Click = [this] { mnuSaveAll_Click(); },
          .mnuSaveAs_Click = [this] { mnuSaveAs_Click(); },
          .mnuFindInNotes_Click = [this] { mnuFindInNotes_Click(); },
          .mnuDeleted_Items = [this] { return mnuDeleted_Items(); },
          .mnuOptions_Click = [this] { mnuOptions_Click(); },
          .mnuExit_Click = [this] { mnuExit_Click(); },
      })),
      notice_(*this) {
    notice_.Clicked = [this] { mnuDeletedNote_Click(noticeID_); };
}

bool frmIcon::Form_Initialize() {
    instanceMutex_.reset(CreateMutexW(nullptr, FALSE, L"Local\\Quillpost.qpost"));
    DWORD created = GetLastError();
    if (!instanceMutex_ && created != ERROR_ACCESS_DENIED) {
        // Without the mutex qpost cannot tell: starting anyway could run two copies on one store.
        tk::MsgBox(
            nullptr,
            std::wstring(kTitle) + L" cannot tell whether another copy is running: " + tk::SystemMessage(created),
            kTitle, MB_ICONSTOP);
        return false;
    }
    // A mutex another copy made, or one this user may not open, is another copy's.
    if (created == ERROR_ALREADY_EXISTS || !instanceMutex_) {
        if (!StartedForScript())
            tk::MsgBox(nullptr, std::wstring(L"Another copy of ") + kTitle + L" is running", kTitle, MB_ICONSTOP);
        return false;
    }
    if (!LibraryRegisteredHere()) {
        HRESULT registered = RegisterLibraryBesideProgram();
        if (!LibraryRegisteredHere()) {
            // The message says only that registering failed; the log keeps why.
            if (FAILED(registered))
                tk::WriteEventLog(kTitle, EVENTLOG_ERROR_TYPE,
                                  L"Quillpost could not register Corkbase2.dll: " +
                                      tk::SystemMessage(static_cast<DWORD>(registered)));
            tk::MsgBox(nullptr,
                       L"Error registering Corkbase2.DLL. Please throw program away, or bother to download the "
                       L"complete package ;)",
                       kTitle, MB_ICONSTOP);
            return false;
        }
        tk::MsgBox(nullptr, L"Installation complete. Click OK to proceed", kTitle, MB_ICONINFORMATION);
    }
    // Without it qpost still keeps the notes; only scripts cannot start it.
    HRESULT offered = RegisterNotesClass();
    if (FAILED(offered))
        tk::WriteEventLog(kTitle, EVENTLOG_ERROR_TYPE,
                          L"Quillpost could not register Quillpost.Notes: " +
                              tk::SystemMessage(static_cast<DWORD>(offered)));
    return true;
}

_Notes* frmIcon::objNotes() {
    if (!notes_)
        tk::Check(CoCreateInstance(CLSID_Notes, nullptr, CLSCTX_INPROC_SERVER, IID__Notes,
                                   reinterpret_cast<void**>(notes_.put())),
                  L"Cannot create the notes");
    return notes_.get();
}

_Notes2* frmIcon::objNotes2() {
    if (!notes2_)
        tk::Check(objNotes()->QueryInterface(IID__Notes2, reinterpret_cast<void**>(notes2_.put())),
                  L"The note library registered is older than this program");
    return notes2_.get();
}

void frmIcon::Form_Load() {
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    icon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    SendMessageW(hWnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    modSysTray::FillTrayIconData(hWnd(), icon_, "Quillpost");
    modSysTray::AddIcon();
    // Offered from now on, so that a script's creation during the load waits for it.
    server_.emplace(hWnd());
    // Whatever runs the message loop inside LoadAll (a message box, a reader answering a
    // note's events) finds the program not loaded: no way out saves part of the notes.
    std::wstring changed = L"has changed nothing";
    for (;;) {
        try {
            KeepStoreOrEnd();
            tk::CheckCall(objNotes()->LoadAll());
            break;
        } catch (const tk::Failure& e) {
            // Saving later would drop every note after the bad value: change nothing and stop,
            // unless the way out of an unreadable unfinished save is taken. The messages'
            // own loops still deliver messages; the notes are not loaded, so none of them saves.
            modSysTray::RemoveIcon();
            if (FailedOnUnfinishedSave(e)) {
                changed = L"has changed nothing but keeping the unfinished save as General/\"" +
                          SetAsideUnfinishedSaveOrEnd(e.description()) + L"\"";
                // A fresh collection loads what the sections hold now: the failed one keeps
                // whatever its load had read.
                notes2_.reset();
                notes_.reset();
                modSysTray::AddIcon();
                continue;
            }
            tk::MsgBox(hWnd(),
                       e.description() +
                           L"\n\nQuillpost could not load your notes and " + changed +
                           L". Repair or remove the value named above, then start Quillpost again.",
                       kTitle, MB_ICONSTOP);
            EndWithoutSaving();
        }
    }
    loaded_ = true;
    autoSave_.Saved(objNotes());
    SetTimer(hWnd(), AutoSaveTimer, AutoSaveSchedule::kTick, nullptr);
    server_->Serve(objNotes());
}

std::wstring frmIcon::SetAsideUnfinishedSaveOrEnd(const std::wstring& description) {
    // Removing the record would load the mix of old and new values it exists to prevent,
    // so the way out is offered here, and the record is kept.
    int answer = tk::MsgBox(
        hWnd(),
        description +
            L"\n\nA save of your notes was cut short, and the record it left to finish that save cannot be read "
            L"back. Quillpost has changed nothing.\n\nStart with the notes as they are stored now? Some of them may "
            L"be as they were before that save and others as after it.\n\nYes keeps the record under a name of its "
            L"own beside it in General and starts. No ends Quillpost without changing anything.",
        kTitle, MB_ICONWARNING, MB_YESNO | MB_DEFBUTTON2);
    if (answer != IDYES) EndWithoutSaving();
    try {
        return SetAsideUnfinishedSave();
    } catch (const tk::Failure& e) {
        tk::MsgBox(hWnd(), e.description() + L"\n\nQuillpost has changed nothing.", kTitle, MB_ICONSTOP);
        EndWithoutSaving();
    }
}

void frmIcon::SaveAll() {
    long ignored = 0;
    tk::CheckCall(objNotes()->SaveAll(&ignored));
    Saved();
}

void frmIcon::Saved() {
    autoSave_.Saved(objNotes());
    autoSaveFailed_ = false;
    // Written through to disk now: a power cut right after must not lose the save.
    tk::RegKey store;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, corkbase::StoreKey().c_str(), 0, KEY_READ, store.put()) == ERROR_SUCCESS)
        RegFlushKey(store.get());
}

void frmIcon::SaveIfChanged() {
    try {
        if (!autoSave_.ChangedSinceSave(objNotes())) return;
        SaveAll();
    } catch (const tk::Failure& e) {
        tk::WriteEventLog(kTitle, EVENTLOG_ERROR_TYPE,
                          L"Quillpost could not save the notes before the system slept: " + e.description());
    }
}

void frmIcon::AutoSave_Timer() {
    if (server_) server_->Tick();
    Deleted_Check();
    if (modAutoSave::ModalOpen(hWnd())) return;
    try {
        if (!autoSave_.Due(objNotes())) return;
        SaveAll();
    } catch (const tk::Failure& e) {
        // The person is told once until a save succeeds; later failures leave only a trace.
        if (autoSaveFailed_) return tk::LogDiscarded(L"saving the notes on its own");
        autoSaveFailed_ = true;
        tk::MsgBox(hWnd(), L"Quillpost could not save your notes on its own: " + e.description(), kTitle, MB_ICONSTOP);
    }
}

template <class F>
void frmIcon::Command(F&& body) {
    try {
        body();
    } catch (const tk::Failure& e) {
        tk::MsgBox(hWnd(), e.description(), kTitle, MB_ICONSTOP);
    }
}

void frmIcon::Form_MouseMove(const tk::MouseEvent& e) {
    if (!loaded_) return;
    // The icon's callback carries the mouse message as the pointer's X in pixels.
    auto message = static_cast<UINT>(std::lround(e.x / tk::TwipsPerPixelX()));
    bool acts = message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDOWN;
    // One dialog at a time: while one waits for an answer, the icon brings it forward
    // instead of opening another inside it.
    if (HWND open = acts ? modAutoSave::OpenDialog() : nullptr) {
        SetForegroundWindow(open);
        return;
    }
    switch (message) {
        case WM_LBUTTONDOWN:
            mnuShowAll_Click();
            break;
        case WM_LBUTTONDBLCLK:
            mnuNew_Click();
            break;
        case WM_RBUTTONDOWN:
            ShowPopup();
            break;
    }
}

void frmIcon::KeepStoreOrEnd() {
    try {
        tk::ComPtr<IStoreKeeper> keeper;
        tk::Check(objNotes()->QueryInterface(IID_IStoreKeeper, reinterpret_cast<void**>(keeper.put())),
                  L"The note library registered is older than this program");
        tk::CheckCall(keeper->KeepStore());
    } catch (const tk::Failure& e) {
        // Nothing of the store was read: no value of it is to blame.
        modSysTray::RemoveIcon();
        tk::MsgBox(hWnd(), e.description() + L"\n\nQuillpost has changed nothing.", kTitle, MB_ICONSTOP);
        EndWithoutSaving();
    }
}

void frmIcon::EndWithoutSaving() {
    // Revoked first: under Wine a class its dead server registered keeps answering every
    // creation with an error, and no later qpost could serve scripts.
    server_.reset();
    modSysTray::RemoveIcon();
    ExitProcess(1);
}

void frmIcon::ShowPopup() {
    SetForegroundWindow(hWnd());
    mnuPopup.Show(hWnd());
}

LRESULT frmIcon::NotLoaded_Message(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            EndWithoutSaving();
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (!wp) return 0;
            EndWithoutSaving();
        case WM_POWERBROADCAST:
            return TRUE;
    }
    return DefWindowProcW(hWnd(), msg, wp, lp);
}

LRESULT frmIcon::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (!loaded_) return NotLoaded_Message(msg, wp, lp);
    if (msg == taskbarCreated_ && taskbarCreated_ != 0) {
        modSysTray::AddIcon();
        return 0;
    }
    switch (msg) {
        case WM_TIMER:
            if (wp == AutoSaveTimer) AutoSave_Timer();
            return 0;
        case WM_CLOSE:
            Form_Unload(true);
            return 0;
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wp) Form_Unload(false);
            return 0;
        case WM_POWERBROADCAST:
            // The battery may run out while the system sleeps.
            if (wp == PBT_APMSUSPEND) SaveIfChanged();
            return TRUE;
    }
    return Form::OnMessage(msg, wp, lp);
}

void frmIcon::Form_Unload(bool ask) {
    KillTimer(hWnd(), AutoSaveTimer);
    // Every orderly end saves: a note only moved, titled or recoloured is a note too.
    if (notes_ && loaded_) {
        long ignored = 0;
        HRESULT hr = notes_->SaveAll(&ignored);
        if (FAILED(hr)) {
            std::wstring reason = tk::CallFailure(hr).description();
            // At log-off or shutdown nobody can answer a message: the log keeps the reason.
            if (!ask) {
                tk::WriteEventLog(kTitle, EVENTLOG_ERROR_TYPE,
                                  L"Quillpost could not save the notes as the session ended: " + reason);
            } else if (tk::MsgBox(hWnd(), L"Quillpost could not save your notes: " + reason + L"\n\nExit anyway?",
                                  kTitle, MB_ICONSTOP, MB_YESNO | MB_DEFBUTTON2) != IDYES) {
                SetTimer(hWnd(), AutoSaveTimer, AutoSaveSchedule::kTick, nullptr);
                return;
            }
        }
    }
    // Scripts still holding the notes are not waited for: their next call fails.
    if (server_) server_->Stop();
    notes2_.reset();
    notes_.reset();
    modSysTray::RemoveIcon();
    ExitProcess(0);
}

void frmIcon::mnuExit_Click() { SendMessageW(hWnd(), WM_CLOSE, 0, 0); }

void frmIcon::mnuNew_Click() {
    Command([&] {
        tk::ComPtr<_Note> added;
        tk::CheckCall(objNotes()->AddNote(added.put()));
        objLastNote = added;
        if (!objLastNote) return;
        long left = Read(objLastNote.get(), &_Note::get_Left);
        long top = Read(objLastNote.get(), &_Note::get_Top);
        auto list = ListOf(objNotes());
        long count = 0;
        tk::CheckCall(list->get_Count(&count));
        long others = count - 1;
        for (long i = 1; i <= others; ++i) {
            auto item = ItemOf(list.get(), i);
            if (Read(item.get(), &_Note::get_Left) == left) {
                tk::CheckCall(objLastNote->put_Left(left + kOffset));
                left = Read(objLastNote.get(), &_Note::get_Left);
            }
            if (Read(item.get(), &_Note::get_Top) == top) {
                tk::CheckCall(objLastNote->put_Top(top + kOffset));
                top = Read(objLastNote.get(), &_Note::get_Top);
            }
        }
        tk::CheckCall(objLastNote->Show());
    });
}

void frmIcon::mnuShowAll_Click() {
    Command([&] { tk::CheckCall(objNotes()->ShowAll()); });
}

void frmIcon::mnuHideAll_Click() {
    Command([&] { tk::CheckCall(objNotes()->HideAll()); });
}

void frmIcon::mnuDefaultSize_Click() {
    Command([&] {
        auto list = ListOf(objNotes());
        long count = 0;
        tk::CheckCall(list->get_Count(&count));
        for (long i = 1; i <= count; ++i) {
            auto item = ItemOf(list.get(), i);
            tk::CheckCall(item->put_Height(corkbase::kDefaultNoteHeight));
            tk::CheckCall(item->put_Width(corkbase::kDefaultNoteWidth));
        }
    });
}

void frmIcon::mnuSaveAll_Click() {
    Command([&] {
        SaveAll();
    });
}

void frmIcon::mnuOptions_Click() {
    Command([&] {
        frmOptions dialog;
        VARIANT_BOOL through = VARIANT_FALSE;
        long level = 255;
        tk::CheckCall(objNotes()->get_ThroughClicks(&through));
        tk::CheckCall(objNotes()->get_TransparencyLevel(&level));
        dialog.cbClickThrough.SetValue(through ? 1 : 0);
        // A level outside 0 to 255 shows the notes opaque, so the slider opens at its opaque
        // end; one below the slider opens at its lowest. OK without a move keeps the level.
        dialog.Slider1.SetValue(level < 0 || level > 255 ? 255 : static_cast<int>(level));
        int opened = dialog.Slider1.Value();
        dialog.SetLeft(tk::ScreenWidth() - Width() - 1000);
        dialog.SetTop(tk::ScreenHeight() - Height() - 500);
        // Near the bottom-right corner the dialog would reach below the screen and hide its
        // buttons under the taskbar.
        dialog.KeepOnWorkArea();
        dialog.ShowModal(hWnd());
        if (dialog.OkPressed) {
            tk::CheckCall(
                objNotes()->put_ThroughClicks(dialog.cbClickThrough.Value() != 0 ? VARIANT_TRUE : VARIANT_FALSE));
            int chosen = dialog.Slider1.Value();
            tk::CheckCall(objNotes()->put_TransparencyLevel(chosen == opened ? level : chosen));
        }
    });
}

void frmIcon::mnuFindInNotes_Click() {
    Command([&] {
        // The library asks and looks; the message is the tray's, under its title. A
        // script that calls FindInNotes gets the count instead of a box to answer.
        _Notes2* notes = objNotes2();
        tk::Bstr what;
        tk::CheckCall(notes->AskFindText(what.put()));
        if (what.str().empty()) return;
        long found = 0;
        tk::CheckCall(notes->FindInNotes(what.get(), &found));
        if (found == 0)
            tk::MsgBox(hWnd(), L"Cannot find \"" + what.str() + L"\" in any note.", kTitle, MB_ICONINFORMATION);
    });
}

std::wstring& frmIcon::TrimAtNull(std::wstring& text) {
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}


void frmIcon::mnuSaveAs_Click() {
    Command([&] {
        std::wstring buffer(1024, L'\0');
        OPENFILENAMEW request{};
        request.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
        request.hwndOwner = hWnd();
        request.lpstrFilter = L"Text Files (*.txt)\0*.txt\0";
        request.nFilterIndex = 1;
        request.lpstrFile = buffer.data();
        request.nMaxFile = static_cast<DWORD>(buffer.size());
        request.lpstrDefExt = L"txt";
        // Browsing must not leave the program working in the folder chosen.
        request.Flags = OFN_NOCHANGEDIR;
        std::wstring name = GetSaveFileNameW(&request) ? buffer : std::wstring();
        TrimAtNull(name);
        if (name.empty()) return;
        std::wstring tail = name.size() >= 4 ? name.substr(name.size() - 4) : L"";
        for (auto& c : tail) c = static_cast<wchar_t>(towlower(c));
        if (tail != L".txt") name += L".txt";
        WriteExportFile(name, EncodeExport(ExportText(objNotes())));
        tk::MsgBox(hWnd(), L"Successfully saved to " + name, kTitle, MB_ICONINFORMATION);
    });
}

}  // namespace qpost

namespace qpost {

void frmIcon::Deleted_Check() {
    if (!loaded_) return;
    // The notice is a courtesy: whatever fails here, qpost goes on without it.
    tk::Discarding(L"showing that a note was deleted", [&] {
        long last = 0;
        tk::CheckCall(objNotes2()->get_LastDeletedByCommand(&last));
        // A window appearing would close a menu the person has open: the notice waits for
        // it, to a later check.
        if (last == lastByCommand_ || modAutoSave::ModalOpen(hWnd())) return;
        lastByCommand_ = last;
        long count = 0;
        tk::CheckCall(objNotes2()->get_DeletedCount(&count));
        for (long i = 1; i <= count; ++i) {
            if (Read(objNotes2(), &_Notes2::get_DeletedID, i) != last) continue;
            noticeID_ = last;
            notice_.Announce(Read(objNotes2(), &_Notes2::get_DeletedName, i));
            return;
        }
    });
}

std::vector<tk::MenuItem> frmIcon::mnuDeleted_Items() {
    std::vector<tk::MenuItem> items;
    tk::Discarding(L"listing the deleted notes", [&] {
        long count = 0;
        tk::CheckCall(objNotes2()->get_DeletedCount(&count));
        SYSTEMTIME now{};
        GetLocalTime(&now);
        for (long i = 1; i <= count; ++i) {
            SYSTEMTIME when{};
            VariantTimeToSystemTime(Read(objNotes2(), &_Notes2::get_DeletedTime, i), &when);
            long id = Read(objNotes2(), &_Notes2::get_DeletedID, i);
            items.push_back({.caption = DeletedCaption(Read(objNotes2(), &_Notes2::get_DeletedName, i), when, now),
                             .Click = [this, id] { mnuDeletedNote_Click(id); }});
        }
    });
    if (items.empty()) return {{.caption = L"(none)", .grayed = true}};
    items.push_back({.caption = L"-"});
    items.push_back({.caption = L"&Empty Deleted Notes...", .Click = [this] { mnuEmptyDeleted_Click(); }});
    return items;
}

void frmIcon::mnuDeletedNote_Click(long id) {
    Command([&] {
        long count = 0;
        tk::CheckCall(objNotes2()->get_DeletedCount(&count));
        for (long i = 1; i <= count; ++i) {
            if (Read(objNotes2(), &_Notes2::get_DeletedID, i) != id) continue;
            tk::ComPtr<_Note> back;
            tk::CheckCall(objNotes2()->RestoreDeleted(i, back.put()));
            return;
        }
    });
}

void frmIcon::mnuEmptyDeleted_Click() {
    Command([&] {
        if (tk::MsgBox(hWnd(), L"Remove the deleted notes for good?", kTitle, MB_ICONQUESTION, MB_YESNO | MB_DEFBUTTON2) !=
            IDYES)
            return;
        tk::CheckCall(objNotes2()->EmptyDeleted());
        // For good means out of the store now, not at the next save.
        SaveAll();
    });
}

}  // namespace qpost
