#include "Support.h"

#include <gtest/gtest.h>

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

void MoveMouse(POINT screen) {
    INPUT in{};
    in.type = INPUT_MOUSE;
    in.mi.dx =
        static_cast<LONG>((screen.x * 65535 + GetSystemMetrics(SM_CXSCREEN) / 2) / (GetSystemMetrics(SM_CXSCREEN) - 1));
    in.mi.dy =
        static_cast<LONG>((screen.y * 65535 + GetSystemMetrics(SM_CYSCREEN) / 2) / (GetSystemMetrics(SM_CYSCREEN) - 1));
    in.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    SendInput(1, &in, sizeof(in));
    Pump(30);
}

void Click(POINT screen, int times) {
    MoveMouse(screen);
    for (int i = 0; i < times; ++i) {
        INPUT in[2]{};
        in[0].type = in[1].type = INPUT_MOUSE;
        in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
        in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
        SendInput(2, in, sizeof(INPUT));
        Pump(20);
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

std::wstring Str(BSTR b) { return b ? std::wstring(b, SysStringLen(b)) : std::wstring(); }

tk::Bstr MakeBstr(const std::wstring& s) { return tk::Bstr(s); }

long TwipsPerPixel() {
    HDC dc = GetDC(nullptr);
    long dpi = GetDeviceCaps(dc, LOGPIXELSX);
    ReleaseDC(nullptr, dc);
    return 1440 / dpi;
}

long ScreenWidthTwips() { return GetSystemMetrics(SM_CXSCREEN) * TwipsPerPixel(); }
long ScreenHeightTwips() { return GetSystemMetrics(SM_CYSCREEN) * TwipsPerPixel(); }

}  // namespace test
