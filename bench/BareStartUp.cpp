// The floor of qpost's start-up: a bare program, started as qpost is, that does the platform
// work its start-up is made of and nothing else. It reads the store, and for each stored
// note creates the same windows a visible note has (a window and its text box), makes the
// window layered at the stored level, shows it, brings it to the front as loading does (once
// for each option), paints a title and a text of the stored sizes, adds a tray icon and
// waits for input. Closing its main window removes the icon and ends it, as with qpost.
#include <windows.h>

#include <shellapi.h>

#include <string>
#include <vector>

#include "StoreKey.h"

namespace {

const wchar_t kClass[] = L"QuillpostBenchBareNote";
NOTIFYICONDATAW icon{};

std::wstring Read(HKEY key, const wchar_t* name) {
    DWORD size = 0, type = 0;
    if (RegQueryValueExW(key, name, nullptr, &type, nullptr, &size) != ERROR_SUCCESS) return L"";
    std::wstring value(size / sizeof(wchar_t), L'\0');
    RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size);
    while (!value.empty() && value.back() == L'\0') value.pop_back();
    return value;
}

LRESULT CALLBACK NoteProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
        wchar_t title[256];
        GetWindowTextW(hwnd, title, 256);
        RECT bar{0, 0, client.right, 9};
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, title, -1, &bar, DT_CENTER | DT_SINGLELINE | DT_END_ELLIPSIS | DT_NOPREFIX);
        EndPaint(hwnd, &ps);
        return 0;
    }
    if (msg == WM_CLOSE && hwnd == icon.hWnd) {
        Shell_NotifyIconW(NIM_DELETE, &icon);
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = NoteProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.lpszClassName = kClass;
    RegisterClassExW(&wc);
    HWND main = CreateWindowExW(0, kClass, L"Quillpost", WS_POPUP, 0, 0, 189, 62, nullptr, nullptr, instance, nullptr);
    icon.cbSize = sizeof(icon);
    icon.hWnd = main;
    icon.uID = 1;
    icon.uFlags = NIF_ICON | NIF_TIP;
    icon.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    lstrcpynW(icon.szTip, L"Quillpost", 64);
    Shell_NotifyIconW(NIM_ADD, &icon);

    HKEY general = nullptr;
    RegOpenKeyExW(HKEY_CURRENT_USER, (corkbase::StoreKey() + L"\\General").c_str(), 0, KEY_READ, &general);
    int count = _wtoi(Read(general, L"notes").c_str());
    std::wstring stored = Read(general, L"level");
    auto level = static_cast<BYTE>(stored.empty() ? 255 : _wtoi(stored.c_str()));
    Read(general, L"clickthrough");
    RegCloseKey(general);
    HWND owner = CreateWindowExW(0, kClass, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, instance, nullptr);
    for (int i = 1; i <= count; ++i) {
        HKEY section = nullptr;
        RegOpenKeyExW(HKEY_CURRENT_USER, (corkbase::StoreKey() + L"\\note" + std::to_wstring(i)).c_str(), 0, KEY_READ,
                      &section);
        std::wstring title = Read(section, L"title"), text = Read(section, L"text");
        int left = _wtoi(Read(section, L"left").c_str()) / 15, top = _wtoi(Read(section, L"top").c_str()) / 15;
        int width = _wtoi(Read(section, L"width").c_str()) / 15, height = _wtoi(Read(section, L"height").c_str()) / 15;
        Read(section, L"color");
        bool visible = Read(section, L"visible") == L"-1";
        RegCloseKey(section);
        HWND note = CreateWindowExW(WS_EX_LAYERED, kClass, title.c_str(), WS_POPUP | WS_CLIPCHILDREN, left, top,
                                    width ? width : 167, height ? height : 87, owner, nullptr, instance, nullptr);
        SetLayeredWindowAttributes(note, 0, level, LWA_ALPHA);
        CreateWindowExW(0, L"EDIT", text.c_str(), WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL, 3, 9, 160, 75,
                        note, nullptr, instance, nullptr);
        if (!visible) continue;
        ShowWindow(note, SW_SHOW);
        SetForegroundWindow(note);  // click-through
        SetForegroundWindow(note);  // level
    }

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
