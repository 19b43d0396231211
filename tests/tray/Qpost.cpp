#include "Qpost.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "Support.h"

namespace tray {
namespace {

std::wstring ClassOf(HWND hwnd) {
    wchar_t name[128] = {};
    GetClassNameW(hwnd, name, 128);
    return name;
}

void Send(INPUT* inputs, UINT n) {
    SendInput(n, inputs, sizeof(INPUT));
    Sleep(40);
}

}  // namespace

std::vector<HWND> TopWindowsOf(DWORD pid, const wchar_t* className, bool visibleOnly) {
    struct Search {
        DWORD pid;
        const wchar_t* name;
        bool visible;
        std::vector<HWND> found;
    } s{pid, className, visibleOnly, {}};
    EnumWindows(
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            DWORD owner = 0;
            GetWindowThreadProcessId(hwnd, &owner);
            if (owner == s->pid && ClassOf(hwnd) == s->name && (!s->visible || IsWindowVisible(hwnd)))
                s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::wstring BinFolder() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    path.erase(path.find_last_of(L'\\'));
    path.erase(path.find_last_of(L'\\') + 1);
    return path + L"bin\\";
}

bool WaitFor(const std::function<bool()>& ready, DWORD milliseconds) {
    DWORD end = GetTickCount() + milliseconds;
    for (;;) {
        if (ready()) return true;
        if (static_cast<LONG>(end - GetTickCount()) <= 0) return false;
        Sleep(50);
    }
}

Qpost::Qpost(const std::wstring& exe, const std::wstring& arguments) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    std::wstring command = L"\"" + exe + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    EXPECT_TRUE(
        CreateProcessW(exe.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &process_))
        << "cannot start qpost";
    pid_ = process_.dwProcessId;
}

Qpost::~Qpost() {
    Kill();
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
}

bool Qpost::Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }

bool Qpost::WaitForExit(DWORD milliseconds) const {
    return WaitForSingleObject(process_.hProcess, milliseconds) == WAIT_OBJECT_0;
}

void Qpost::Kill() {
    if (!process_.hProcess || !Running()) return;
    // An orderly end first, so that the taskbar loses the icon; a killed program leaves
    // its icon behind until the taskbar notices, in the place a later test clicks.
    if (HWND main = MainWindow(0)) PostMessageW(main, WM_CLOSE, 0, 0);
    if (!WaitForExit(3000)) {
        TerminateProcess(process_.hProcess, 99);
        WaitForExit(5000);
    }
}

void Qpost::WaitUntilIdle() const { WaitForInputIdle(process_.hProcess, 10000); }

HWND Qpost::MainWindow(DWORD milliseconds) const {
    HWND found = nullptr;
    WaitFor(
        [&] {
            auto windows = TopWindowsOf(pid_, L"QuillpostIcon", false);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr || !Running();
        },
        milliseconds);
    return found;
}

void Qpost::TrayEvent(UINT mouseMessage) const {
    HWND main = MainWindow();
    ASSERT_NE(main, nullptr);
    PostMessageW(main, 0x200, 0, static_cast<LPARAM>(mouseMessage));
}

std::vector<HWND> Qpost::Notes() const { return TopWindowsOf(pid_, L"CorkbaseNote", false); }

HWND Qpost::OnlyVisibleNote() const {
    HWND found = nullptr;
    for (HWND note : Notes()) {
        if (!IsWindowVisible(note)) continue;
        if (found) return nullptr;
        found = note;
    }
    return found;
}

std::vector<HWND> Qpost::WaitForNotes(size_t count) const {
    std::vector<HWND> notes;
    WaitFor([&] {
        notes = Notes();
        return notes.size() == count;
    });
    return notes;
}

std::vector<HWND> Qpost::WaitForNotes(size_t count, size_t shown) const {
    std::vector<HWND> notes;
    WaitFor([&] {
        notes = Notes();
        return notes.size() == count &&
               static_cast<size_t>(std::count_if(notes.begin(), notes.end(), IsWindowVisible)) == shown;
    });
    return notes;
}

std::optional<Dialog> WaitForDialog(DWORD pid, const std::wstring& caption, DWORD milliseconds) {
    std::optional<Dialog> dialog;
    WaitFor(
        [&] {
            for (HWND hwnd : TopWindowsOf(pid, L"#32770", true)) {
                std::wstring title = test::WindowText(hwnd);
                if (!caption.empty() && title != caption) continue;
                Dialog d{hwnd, title, L""};
                // A message box's message is its longest static text.
                EnumChildWindows(
                    hwnd,
                    [](HWND child, LPARAM lp) -> BOOL {
                        auto* d = reinterpret_cast<Dialog*>(lp);
                        if (ClassOf(child) == L"Static") {
                            std::wstring t = test::WindowText(child);
                            if (t.size() > d->text.size()) d->text = t;
                        }
                        return TRUE;
                    },
                    reinterpret_cast<LPARAM>(&d));
                dialog = d;
                return true;
            }
            return false;
        },
        milliseconds);
    return dialog;
}

HWND ChildWithText(HWND parent, const std::wstring& text) {
    struct Search {
        std::wstring text;
        HWND found = nullptr;
    } s{text};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            std::wstring t = test::WindowText(child);
            t.erase(std::remove(t.begin(), t.end(), L'&'), t.end());
            if (t == s->text) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

void Press(HWND dialog, const std::wstring& button) {
    HWND b = ChildWithText(dialog, button);
    ASSERT_NE(b, nullptr) << "no button " << std::string(button.begin(), button.end());
    PostMessageW(b, BM_CLICK, 0, 0);
}

HWND WaitForWindow(DWORD pid, const wchar_t* className, DWORD milliseconds) {
    HWND found = nullptr;
    WaitFor(
        [&] {
            auto windows = TopWindowsOf(pid, className, true);
            found = windows.empty() ? nullptr : windows.front();
            return found != nullptr;
        },
        milliseconds);
    return found;
}

HWND WaitForMenu(DWORD pid, DWORD milliseconds) {
    HWND found = nullptr;
    bool ready = WaitFor(
        [&] {
            auto windows = TopWindowsOf(pid, L"#32768", true);
            found = windows.empty() ? nullptr : windows.front();
            GUITHREADINFO info{sizeof info};
            DWORD foreground = 0;
            GetWindowThreadProcessId(GetForegroundWindow(), &foreground);
            return found && foreground == pid &&
                   GetGUIThreadInfo(GetWindowThreadProcessId(found, nullptr), &info) && (info.flags & GUI_INMENUMODE);
        },
        milliseconds);
    return ready ? found : nullptr;
}

void Keys(const std::vector<WORD>& virtualKeys) {
    for (WORD vk : virtualKeys) {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wVk = in[1].ki.wVk = vk;
        in[1].ki.dwFlags = KEYEVENTF_KEYUP;
        Send(in, 2);
    }
}

RECT RectOf(HWND hwnd) {
    RECT rc{};
    GetWindowRect(hwnd, &rc);
    return rc;
}

long HeightOf(HWND hwnd) { return RectOf(hwnd).bottom - RectOf(hwnd).top; }

std::wstring TextIn(HWND edit) {
    std::wstring text(4096, L'\0');
    text.resize(
        static_cast<size_t>(SendMessageW(edit, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()))));
    return text;
}

std::wstring NoteText(HWND note) { return TextIn(test::FindChild(note, L"Edit")); }

HWND FocusOf(HWND window) {
    GUITHREADINFO info{sizeof info};
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

HRESULT CallLibrary(const char* name) {
    HMODULE module = LoadLibraryW(test::LibraryPath().c_str());
    auto entry = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(module, name)));
    HRESULT hr = entry ? entry() : E_FAIL;
    FreeLibrary(module);
    return hr;
}

}  // namespace tray
