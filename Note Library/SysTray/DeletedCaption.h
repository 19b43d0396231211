#pragma once
// How the "Deleted Notes" submenu names a deleted note: "Shopping  (today 14:05)".
#include <windows.h>

#include <string>

namespace qpost {

// The note's name with "&" shown as itself, cut to about kNameLength characters, two
// blanks and when it was deleted: "today 14:05", "yesterday 9:30" or the date and time.
// Both times are local.
std::wstring DeletedCaption(const std::wstring& name, const SYSTEMTIME& deleted, const SYSTEMTIME& now);
inline constexpr size_t kNameLength = 40;

}  // namespace qpost
