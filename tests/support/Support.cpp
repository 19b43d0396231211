#include "Support.h"

#include <gtest/gtest.h>

#include <cmath>

namespace test {

std::wstring LibraryPath() {
    wchar_t exe[MAX_PATH];
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring path(exe);
    path.erase(path.find_last_of(L'\\'));      // tests folder
    path.erase(path.find_last_of(L'\\') + 1);  // build folder
    return path + L"bin\\Corkbase2.dll";
}

void RegisterLibrary() {
    static bool done = false;
    if (done) return;
    HMODULE module = LoadLibraryW(LibraryPath().c_str());
    ASSERT_NE(module, nullptr) << "cannot load the library";
    auto reg = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(module, "DllRegisterServer")));
    ASSERT_NE(reg, nullptr);
    ASSERT_EQ(reg(), S_OK);
    FreeLibrary(module);
    done = true;
}

ComPtr<_Notes> NewNotes() {
    RegisterLibrary();
    CLSID clsid;
    EXPECT_EQ(CLSIDFromProgID(L"NoteLibrary.Notes", &clsid), S_OK);
    ComPtr<_Notes> notes;
    EXPECT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID__Notes, reinterpret_cast<void**>(notes.put())),
              S_OK);
    return notes;
}

ComPtr<_Note> AddNote(_Notes* notes) {
    ComPtr<_Note> note;
    EXPECT_EQ(notes->AddNote(note.put()), S_OK);
    return note;
}

ComPtr<_Note> NoteAt(_Notes* notes, long position) {
    ComPtr<_NoteList> list;
    EXPECT_EQ(notes->get_Notes(list.put()), S_OK);
    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = position;
    ComPtr<_Note> note;
    EXPECT_EQ(list->get_Item(index, note.put()), S_OK);
    return note;
}

long CountOf(_Notes* notes) {
    ComPtr<_NoteList> list;
    EXPECT_EQ(notes->get_Notes(list.put()), S_OK);
    long count = -1;
    EXPECT_EQ(list->get_Count(&count), S_OK);
    return count;
}

void SetText(_Note* note, const std::wstring& text) {
    tk::Bstr value(text);
    BSTR raw = value.get();
    ASSERT_EQ(note->put_Text(&raw), S_OK);
}

std::wstring TextOf(_Note* note) {
    tk::Bstr text;
    EXPECT_EQ(note->get_Text(text.put()), S_OK);
    return text.str();
}

void Pump(DWORD milliseconds) {
    DWORD end = GetTickCount() + milliseconds;
    do {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(5);
    } while (static_cast<LONG>(end - GetTickCount()) > 0);
}

std::vector<HWND> WindowsOfClass(const wchar_t* className) {
    struct Search {
        const wchar_t* name;
        std::vector<HWND> found;
    } search{className, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND hwnd, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            wchar_t name[128] = {};
            GetClassNameW(hwnd, name, 128);
            if (wcscmp(name, s->name) == 0) s->found.push_back(hwnd);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring FolderNamedBy(const wchar_t* variable) {
    wchar_t unix[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(variable, unix, MAX_PATH)) return L"";
    std::wstring folder = std::wstring(L"Z:") + unix;
    for (auto& c : folder)
        if (c == L'/') c = L'\\';
    return folder + L"\\";
}

namespace {

// Runs xdotool with these arguments through the pointer agent the scripts start beside
// the display; false without an agent.
bool Xdotool(const std::string& args) {
    static const std::wstring folder = FolderNamedBy(L"QP_POINTER_AGENT");
    if (folder.empty()) return false;
    std::wstring part = folder + L"request.part", request = folder + L"request", done = folder + L"done";
    DeleteFileW(done.c_str());
    HANDLE file = CreateFileW(part.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    WriteFile(file, args.data(), static_cast<DWORD>(args.size()), &written, nullptr);
    CloseHandle(file);
    MoveFileExW(part.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING);
    for (int i = 0; i < 1000 && GetFileAttributesW(done.c_str()) == INVALID_FILE_ATTRIBUTES; ++i) Sleep(2);
    return DeleteFileW(done.c_str()) != FALSE;
}

bool PointerAt(POINT screen) {
    POINT now{};
    GetCursorPos(&now);
    return std::abs(now.x - screen.x) <= 1 && std::abs(now.y - screen.y) <= 1;
}

}  // namespace

// Through X when the pointer agent runs: SendInput's moves are echoed back by the X
// server a little later, and a late echo can put the pointer back where it was.
void MoveMouse(POINT screen) {
    // Not --sync: it waits for a move, and a pointer already in place never moves.
    if (PointerAt(screen) || Xdotool("mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y))) {
        for (int i = 0; i < 200 && !PointerAt(screen); ++i) Pump(5);
        Pump(15);
        return;
    }
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx =
        static_cast<LONG>((screen.x * 65535 + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1));
    in.mi.dy =
        static_cast<LONG>((screen.y * 65535 + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(in));
    int steady = 0;
    for (int i = 0; i < 200 && steady < 8; ++i) {
        Pump(15);
        steady = PointerAt(screen) ? steady + 1 : 0;
        if (!steady && i % 20 == 19) SendInput(1, &in, sizeof(in));
    }
}

void Click(POINT screen, int times) {
    MoveMouse(screen);
    for (int i = 0; i < times; ++i) {
        MouseButton(1, true);
        MouseButton(1, false);
    }
    Pump(50);
}

void TypeText(const std::wstring& text) {
    for (wchar_t c : text) {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_KEYBOARD;
        in[0].ki.wScan = in[1].ki.wScan = c;
        in[0].ki.dwFlags = KEYEVENTF_UNICODE;
        in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
        SendInput(2, in, sizeof(INPUT));
        Pump(10);
    }
    Pump(50);
}

void MouseButton(int button, bool down) {
    // X numbers the buttons left 1, middle 2, right 3.
    int x = button == 1 ? 1 : button == 2 ? 3 : 2;
    if (!Xdotool(std::string(down ? "mousedown " : "mouseup ") + std::to_string(x))) {
        INPUT in{};
        in.type = INPUT_MOUSE;
        if (button == 1) in.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
        if (button == 2) in.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
        if (button == 4) in.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
        SendInput(1, &in, sizeof(in));
    }
    Pump(30);
}

bool XKeyChord(const std::string& keys) {
    if (!Xdotool("key " + keys)) return false;
    Pump(100);
    return true;
}

bool XWheel(int notches, const std::string& held) {
    // X gives the wheel as buttons: 4 turns it up, 5 down.
    std::string turn = "click --repeat " + std::to_string(std::abs(notches)) + (notches > 0 ? " 4" : " 5");
    if (!Xdotool(held.empty() ? turn : "keydown " + held + " " + turn + " keyup " + held)) return false;
    Pump(100);
    return true;
}

void KeyChord(std::initializer_list<WORD> virtualKeys) {
    std::vector<INPUT> inputs;
    for (WORD vk : virtualKeys) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = vk;
        inputs.push_back(in);
    }
    for (auto it = std::rbegin(virtualKeys); it != std::rend(virtualKeys); ++it) {
        INPUT in{};
        in.type = INPUT_KEYBOARD;
        in.ki.wVk = *it;
        in.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(in);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    Pump(50);
}

std::wstring WindowText(HWND hwnd) {
    int n = GetWindowTextLengthW(hwnd);
    std::wstring text(static_cast<size_t>(n) + 1, L'\0');
    GetWindowTextW(hwnd, text.data(), n + 1);
    text.resize(static_cast<size_t>(n));
    return text;
}

HWND FindChild(HWND parent, const wchar_t* className, const std::wstring& text) {
    struct Search {
        const wchar_t* name;
        std::wstring text;
        HWND found = nullptr;
    } s{className, text};
    EnumChildWindows(
        parent,
        [](HWND child, LPARAM lp) -> BOOL {
            auto* s = reinterpret_cast<Search*>(lp);
            wchar_t name[64] = {};
            GetClassNameW(child, name, 64);
            if (_wcsicmp(name, s->name) == 0 && (s->text.empty() || WindowText(child) == s->text)) {
                s->found = child;
                return FALSE;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    return s.found;
}

Answer::Answer(const wchar_t* className, const wchar_t* caption, std::function<std::wstring(HWND)> act)
    : thread_([this, className, caption = std::wstring(caption ? caption : L""), act] {
          struct Search {
              const wchar_t* name;
              std::wstring caption;
              HWND found = nullptr;
          } s{className, caption};
          for (int i = 0; i < 200 && !s.found; ++i) {
              EnumWindows(
                  [](HWND hwnd, LPARAM lp) -> BOOL {
                      auto* s = reinterpret_cast<Search*>(lp);
                      DWORD pid = 0;
                      GetWindowThreadProcessId(hwnd, &pid);
                      wchar_t name[64] = {};
                      GetClassNameW(hwnd, name, 64);
                      if (pid == GetCurrentProcessId() && IsWindowVisible(hwnd) && wcscmp(name, s->name) == 0 &&
                          (s->caption.empty() || WindowText(hwnd) == s->caption)) {
                          s->found = hwnd;
                          return FALSE;
                      }
                      return TRUE;
                  },
                  reinterpret_cast<LPARAM>(&s));
              if (!s.found) Sleep(50);
          }
          result_ = s.found ? act(s.found) : L"<no window>";
          done_ = true;
      }) {}

Answer::~Answer() {
    if (!joined_) thread_.join();
}

std::wstring Answer::Result() {
    // The window's modal loop runs on this thread: keep pumping until the answer is in.
    while (!done_) Pump(20);
    if (!joined_) thread_.join();
    joined_ = true;
    return result_;
}

HWND OnlyNoteWindow() {
    auto windows = WindowsOfClass(L"CorkbaseNote");
    EXPECT_EQ(windows.size(), 1u);
    return windows.empty() ? nullptr : windows.front();
}

std::wstring LastErrorDescription() {
    ComPtr<IErrorInfo> info;
    if (GetErrorInfo(0, info.put()) != S_OK || !info) return L"";
    tk::Bstr description;
    info->GetDescription(description.put());
    return description.str();
}

std::string Narrow(const std::wstring& s) {
    int size = WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring Str(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

tk::Bstr MakeBstr(const std::wstring& s) { return tk::Bstr(s); }

long TwipsPerPixel() {
    HDC dc = GetDC(nullptr);
    long dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return 1440 / dpi;
}

long PixelsOf(float twips) { return std::lround(twips / static_cast<float>(TwipsPerPixel())); }

long ScreenWidthTwips() { return GetSystemMetrics(SM_CXSCREEN) * TwipsPerPixel(); }
long ScreenHeightTwips() { return GetSystemMetrics(SM_CYSCREEN) * TwipsPerPixel(); }

bool Screenshot(const std::wstring& path) {
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFOHEADER info{sizeof(info), width, height, 1, 24, BI_RGB};
    void* bits = nullptr;
    HBITMAP picture = CreateDIBSection(screen, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (picture) {
        HGDIOBJ old = SelectObject(memory, picture);
        BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        GdiFlush();
        DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
        DWORD size = stride * static_cast<DWORD>(height);
        BITMAPFILEHEADER file{0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(info) + size), 0, 0,
                              static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(info))};
        HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (out != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            ok = WriteFile(out, &file, sizeof(file), &written, nullptr) &&
                 WriteFile(out, &info, sizeof(info), &written, nullptr) &&
                 WriteFile(out, bits, size, &written, nullptr);
            CloseHandle(out);
        }
        DeleteObject(picture);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace test
