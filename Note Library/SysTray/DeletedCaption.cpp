#include "DeletedCaption.h"

#include <cwchar>

namespace qpost {
namespace {

// Days since 1601-01-01 of the date.
long long DayOf(const SYSTEMTIME& time) {
    SYSTEMTIME day{time.wYear, time.wMonth, 0, time.wDay, 0, 0, 0, 0};
    FILETIME f{};
    if (!SystemTimeToFileTime(&day, &f)) return 0;
    return static_cast<long long>((static_cast<unsigned long long>(f.dwHighDateTime) << 32 | f.dwLowDateTime) /
                                  864000000000ull);
}

}  // namespace

std::wstring DeletedCaption(const std::wstring& name, const SYSTEMTIME& deleted, const SYSTEMTIME& now) {
    std::wstring shown = name.size() > kNameLength ? name.substr(0, kNameLength - 3) + L"..." : name;
    std::wstring caption;
    for (wchar_t c : shown) {
        // A menu takes "&" for the mark of an access key and a tab for the start of a shortcut.
        if (c == L'&') caption += L'&';
        caption += c == L'\t' ? L' ' : c;
    }
    wchar_t clock[8];
    std::swprintf(clock, std::size(clock), L"%u:%02u", deleted.wHour, deleted.wMinute);
    long long days = DayOf(now) - DayOf(deleted);
    std::wstring when;
    if (days == 0) {
        when = L"today ";
    } else if (days == 1) {
        when = L"yesterday ";
    } else {
        wchar_t date[64] = {};
        GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &deleted, nullptr, date, static_cast<int>(std::size(date)));
        when = std::wstring(date) + L" ";
    }
    return caption + L"  (" + when + clock + L")";
}

}  // namespace qpost
