#include "Person.h"

#include <functional>
#include <vector>

#include "MenuKeys.h"
#include "Support.h"

namespace tray {

POINT IconPoint() {
    RECT bar{};
    GetWindowRect(FindWindowW(L"Shell_TrayWnd", nullptr), &bar);
    return {bar.right - 11, (bar.top + bar.bottom) / 2};
}

bool ClickIcon(int times, const std::function<bool()>& answered) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        test::Click(IconPoint(), times);
        if (WaitFor(answered, 4000)) return true;
    }
    return false;
}

bool RightClickIcon(DWORD pid) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        RightClick(IconPoint());
        if (WaitForWindow(pid, L"#32768", 3000)) return true;
    }
    return false;
}

bool ChooseByHand(DWORD pid, std::initializer_list<std::wstring_view> path) {
    auto keys = MenuKeys(path);
    if (keys.empty() || !RightClickIcon(pid)) return false;
    Keys(keys);
    return true;
}

std::optional<Dialog> SaveAsByHand(const Qpost& q, const std::wstring& path) {
    if (!ChooseByHand(q.pid(), {L"Save As..."})) return std::nullopt;
    if (!WaitForDialog(q.pid(), L"Save As")) return std::nullopt;
    test::TypeText(path);
    Keys({VK_RETURN});
    return WaitForDialog(q.pid(), L"Quillpost");
}

bool ExitByHand(const Qpost& q) {
    if (!ChooseByHand(q.pid(), {L"E&xit"})) return false;
    return q.WaitForExit();
}

void Drag(POINT from, POINT to) {
    test::MoveMouse(from);
    test::MouseButton(1, true);
    const int steps = 6;
    for (int i = 1; i <= steps; ++i)
        test::MoveMouse({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
    test::MouseButton(1, false);
    test::Pump(200);
}

void RightClick(POINT at) {
    test::MoveMouse(at);
    test::MouseButton(2, true);
    test::MouseButton(2, false);
}

POINT TitleBarOf(HWND note) {
    RECT rc{};
    GetWindowRect(note, &rc);
    return {rc.left + 30, rc.top + 6};
}

POINT TextOf(HWND note) {
    RECT rc{};
    GetWindowRect(note, &rc);
    return {rc.left + 30, rc.top + 40};
}

}  // namespace tray
