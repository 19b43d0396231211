#pragma once
// A person at the screen: the real pointer and buttons on the tray icon and on windows.
#include <windows.h>

#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "Qpost.h"

namespace tray {

// The middle of qpost's icon: the only one, at the right end of the taskbar.
POINT IconPoint();
// Clicks the icon until the program answers (a busy taskbar can drop an early click):
// answered() is polled after each try. False if it never answered.
bool ClickIcon(int times, const std::function<bool()>& answered);
// Opens the icon's menu with the right button; false when it did not open.
bool RightClickIcon(DWORD pid);
// Opens the icon's menu with the right button and picks the item with these captions (see
// MenuKeys) with the keyboard; false when the menu has no such item or did not open.
bool ChooseByHand(DWORD pid, std::initializer_list<std::wstring_view> path);

// Chooses Save As from the icon's menu, types the path into the save dialog and presses
// Enter; the message that follows (nothing if the dialog or the message never came).
std::optional<Dialog> SaveAsByHand(const Qpost& q, const std::wstring& path);
// Chooses Exit from the icon's menu; false unless the program ended.
bool ExitByHand(const Qpost& q);

// Presses the left button at from, moves there in steps to to, and lets go.
void Drag(POINT from, POINT to);
void RightClick(POINT at);

// A point inside a note's title bar, and one inside its text, in screen pixels.
POINT TitleBarOf(HWND note);
POINT TextOf(HWND note);

}  // namespace tray
