#include "frmIcon.h"

#include <commdlg.h>

#include <cmath>
#include <optional>
#include <tuple>

#include "ApplicationLog.h"
#include "Failure.h"
#include "Module.h"
#include "MsgBox.h"
#include "NoteAccess.h"
#include "Registry.h"
#include "Units.h"
#include "frmOptions.h"
#include "modAutoSave.h"
#include "modSysTray.h"

namespace qpost {
namespace {

const wchar_t kTitle[] = L"Quillpost";
constexpr UINT_PTR AutoSaveTimer = 1;
constexpr UINT AutoSaveTick = 1000;    // milliseconds between checks
constexpr DWORD AutoSaveQuiet = 2000;  // how long the notes must stay unchanged
constexpr long kOffset = 80;           // twips a new note moves off a note at the same place

std::wstring ProgramFolder() {
    std::wstring path = tk::ModuleFileName(nullptr);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

// The file's identity, whatever the spelling of its path (case, short names).
std::optional<std::tuple<DWORD, DWORD, DWORD>> FileIdentity(const std::wstring& path) {
    tk::UniqueFile file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, 0, nullptr));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return std::nullopt;
    return std::tuple{info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
}

// Whether activation would load the library that lies beside the program: a copy
// registered from another folder may be gone or stale tomorrow.
bool RegisteredHere() {
    wchar_t clsid[40];
    StringFromGUID2(CLSID_Notes, clsid, 40);
    std::wstring registered =
        tk::RegistryDefault(HKEY_CLASSES_ROOT, L"CLSID\\" + std::wstring(clsid) + L"\\InprocServer32");
    auto own = FileIdentity(ProgramFolder() + L"Corkbase2.dll");
    return own && own == FileIdentity(registered);
}

tk::ComPtr<_Notes> CreateByProgId() {
    CLSID clsid;
    tk::ComPtr<_Notes> notes;
    if (SUCCEEDED(CLSIDFromProgID(L"NoteLibrary.Notes", &clsid)) && RegisteredHere())
        CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Notes, reinterpret_cast<void**>(notes.put()));
    return notes;
}

// Registers the library that lies beside the program, never one found elsewhere.
void RegisterLibrary() {
    tk::UniqueModule library(LoadLibraryExW((ProgramFolder() + L"Corkbase2.dll").c_str(), nullptr,
                                            LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS));
    if (!library) return;
    auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(library.get(), "DllRegisterServer")));
    if (entry) entry();
}

// The file's bytes: the ANSI code page when every character fits it, else UTF-8 with a
// byte-order mark, so that no character is ever replaced by "?".
std::string Encode(const std::wstring& text) {
    if (text.empty()) return {};
    BOOL lossy = FALSE;
    int n = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, &lossy);
    std::string bytes;
    if (!lossy && n > 0) {
        bytes.resize(static_cast<size_t>(n));
        WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), static_cast<int>(text.size()), bytes.data(), n,
                            nullptr, &lossy);
        if (!lossy) return bytes;
    }
    n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    bytes.assign("\xEF\xBB\xBF");
    size_t start = bytes.size();
    bytes.resize(start + static_cast<size_t>(n));
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data() + start, n, nullptr,
                        nullptr);
    return bytes;
}

// Writes a new file beside the chosen one and puts it in its place only once it is
// complete: a write that fails (a full disk) leaves the old file as it was.
void WriteFile(const std::wstring& path, const std::string& bytes) {
    const std::wstring failed = L"Quillpost could not save the notes to " + path;
    // The new file is named after the chosen one, so a folder as deep as the chosen file
    // allows is deep enough; a name another file already has is passed over.
    std::wstring temporary;
    tk::UniqueFile file;
    for (int n = 0; !file; ++n) {
        temporary = path + L"." + std::to_wstring(n) + L".qpe";
        file.reset(CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr));
        if (!file && (GetLastError() != ERROR_FILE_EXISTS || n == 99)) tk::ThrowLastError(failed);
    }
    try {
        DWORD written = 0;
        if (!bytes.empty() &&
            (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
             written != bytes.size()))
            tk::ThrowLastError(failed);
        if (!FlushFileBuffers(file.get())) tk::ThrowLastError(failed);
        file.reset();
        if (!MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
            tk::ThrowLastError(failed);
    } catch (...) {
        file.reset();
        DeleteFileW(temporary.c_str());
        throw;
    }
}

}  // namespace

frmIcon::frmIcon()
    : Form({.className = L"QuillpostIcon", .style = WS_POPUP, .width = 2835, .height = 930, .caption = kTitle}),
      mnuPopup({
          {.caption = L"New", .Click = [this] { mnuNew_Click(); }, .isDefault = true},
          {.caption = L"-"},
          {.caption = L"Show",
           .items = {{.caption = L"Show All", .Click = [this] { mnuShowAll_Click(); }},
                     {.caption = L"Hide All", .Click = [this] { mnuHideAll_Click(); }},
                     {.caption = L"Default Size All", .Click = [this] { mnuDefaultSize_Click(); }}}},
          {.caption = L"Save All", .Click = [this] { mnuSaveAll_Click(); }},
          {.caption = L"Save As...", .Click = [this] { mnuSaveAs_Click(); }},
          {.caption = L"-"},
          {.caption = L"Options...", .Click = [this] { mnuOptions_Click(); }},
          {.caption = L"-"},
          {.caption = L"E&xit", .Click = [this] { mnuExit_Click(); }},
      }) {}

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
        tk::MsgBox(nullptr, std::wstring(L"Another copy of ") + kTitle + L" is running", kTitle, MB_ICONSTOP);
        return false;
    }
    if (!CreateByProgId()) {
        RegisterLibrary();
        if (!CreateByProgId()) {
            tk::MsgBox(nullptr,
                       L"Error registering Corkbase2.DLL. Please throw program away, or bother to download the "
                       L"complete package ;)",
                       kTitle, MB_ICONSTOP);
            return false;
        }
        tk::MsgBox(nullptr, L"Installation complete. Click OK to proceed", kTitle, MB_ICONINFORMATION);
    }
    return true;
}

_Notes* frmIcon::objNotes() {
    if (!notes_)
        tk::Check(CoCreateInstance(CLSID_Notes, nullptr, CLSCTX_INPROC_SERVER, IID__Notes,
                                   reinterpret_cast<void**>(notes_.put())),
                  L"Cannot create the notes");
    return notes_.get();
}

void frmIcon::Form_Load() {
    taskbarCreated_ = RegisterWindowMessageW(L"TaskbarCreated");
    icon_ = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(1), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    SendMessageW(hWnd(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon_));
    modSysTray::FillTrayIconData(hWnd(), icon_, "Quillpost");
    modSysTray::AddIcon();
    try {
        tk::CheckCall(objNotes()->LoadAll());
    } catch (const tk::Failure& e) {
        // Saving later would drop every note after the bad value: change nothing and stop.
        // The message's own loop still delivers messages; from here on none of them saves.
        loadFailed_ = true;
        modSysTray::RemoveIcon();
        tk::MsgBox(hWnd(),
                   e.description() +
                       L"\n\nQuillpost could not load your notes and has changed nothing. Repair or remove the "
                       L"value named above, then start Quillpost again.",
                   kTitle, MB_ICONSTOP);
        ExitProcess(1);
    }
    savedFingerprint_ = seenFingerprint_ = modAutoSave::Fingerprint(objNotes());
    SetTimer(hWnd(), AutoSaveTimer, AutoSaveTick, nullptr);
}

void frmIcon::Saved() {
    savedFingerprint_ = seenFingerprint_ = modAutoSave::Fingerprint(objNotes());
    autoSaveFailed_ = false;
    // Written through to disk now: a power cut right after must not lose the save.
    tk::RegKey store;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Corkbase", 0, KEY_READ, store.put()) == ERROR_SUCCESS)
        RegFlushKey(store.get());
}

void frmIcon::SaveIfChanged() {
    try {
        if (modAutoSave::Fingerprint(objNotes()) == savedFingerprint_) return;
        long ignored = 0;
        tk::CheckCall(objNotes()->SaveAll(&ignored));
        Saved();
    } catch (const tk::Failure& e) {
        tk::WriteEventLog(kTitle, EVENTLOG_ERROR_TYPE,
                          L"Quillpost could not save the notes before the system slept: " + e.description());
    }
}

void frmIcon::AutoSave_Timer() {
    if (modAutoSave::ModalOpen(hWnd())) return;
    try {
        uint64_t now = modAutoSave::Fingerprint(objNotes());
        if (now != seenFingerprint_) {
            seenFingerprint_ = now;
            changedAt_ = GetTickCount();
            return;
        }
        if (now == savedFingerprint_ || GetTickCount() - changedAt_ < AutoSaveQuiet) return;
        long ignored = 0;
        tk::CheckCall(objNotes()->SaveAll(&ignored));
        Saved();
    } catch (const tk::Failure& e) {
        if (autoSaveFailed_) return;
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
    if (loadFailed_) return;
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

void frmIcon::ShowPopup() {
    SetForegroundWindow(hWnd());
    mnuPopup.Show(hWnd());
}

LRESULT frmIcon::LoadFailed_Message(UINT msg, WPARAM wp, LPARAM lp) {
    switch (msg) {
        case WM_CLOSE:
            ExitProcess(1);
        case WM_QUERYENDSESSION:
            return TRUE;
        case WM_ENDSESSION:
            if (wp) ExitProcess(1);
            return 0;
        case WM_POWERBROADCAST:
            return TRUE;
    }
    return DefWindowProcW(hWnd(), msg, wp, lp);
}

LRESULT frmIcon::OnMessage(UINT msg, WPARAM wp, LPARAM lp) {
    if (loadFailed_) return LoadFailed_Message(msg, wp, lp);
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
    if (notes_ && !loadFailed_) {
        long ignored = 0;
        HRESULT hr = notes_->SaveAll(&ignored);
        if (FAILED(hr)) {
            std::wstring reason;
            try {
                tk::CheckCall(hr);
            } catch (const tk::Failure& e) {
                reason = e.description();
            }
            // At log-off or shutdown nobody can answer a message: the log keeps the reason.
            if (!ask) {
                tk::WriteEventLog(kTitle, EVENTLOG_ERROR_TYPE,
                                  L"Quillpost could not save the notes as the session ended: " + reason);
            } else if (tk::MsgBox(hWnd(), L"Quillpost could not save your notes: " + reason + L"\n\nExit anyway?",
                                  kTitle, MB_ICONSTOP, MB_YESNO | MB_DEFBUTTON2) != IDYES) {
                SetTimer(hWnd(), AutoSaveTimer, AutoSaveTick, nullptr);
                return;
            }
        }
    }
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
            tk::CheckCall(item->put_Height(1300));
            tk::CheckCall(item->put_Width(2500));
        }
    });
}

void frmIcon::mnuSaveAll_Click() {
    Command([&] {
        long ignored = 0;
        tk::CheckCall(objNotes()->SaveAll(&ignored));
        Saved();
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

std::wstring& frmIcon::TrimAtNull(std::wstring& text) {
    size_t nul = text.find(L'\0');
    if (nul != std::wstring::npos) text.resize(nul);
    return text;
}

std::wstring frmIcon::ExportText(_Notes* notes) {
    auto list = ListOf(notes);
    long count = 0;
    tk::CheckCall(list->get_Count(&count));
    std::wstring text;
    for (long i = 1; i <= count; ++i) {
        auto note = ItemOf(list.get(), i);
        text += L"\r\nNote #" + std::to_wstring(Read(note.get(), &_Note::get_NoteID)) + L"\r\n";
        text += L"\r\nTitle" + ReadText(note.get(), &_Note::get_Title) + L"\r\n";
        text += L"-----------\r\n\r\n";
        text += ReadText(note.get(), &_Note::get_Text) + L"\r\n";
    }
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
        WriteFile(name, Encode(ExportText(objNotes())));
        tk::MsgBox(hWnd(), L"Successfully saved to " + name, kTitle, MB_ICONINFORMATION);
    });
}

}  // namespace qpost
