#include "DeletedTime.h"

#include <windows.h>

#include <oleauto.h>

#include <cwchar>

#include "Failure.h"

namespace corkbase {
namespace {

constexpr int64_t kTicksPerSecond = 10000000;  // FILETIME counts 100 ns

DeletedTime FromFileTime(const FILETIME& f) {
    return static_cast<DeletedTime>((static_cast<uint64_t>(f.dwHighDateTime) << 32 | f.dwLowDateTime) /
                                    kTicksPerSecond);
}

}  // namespace

DeletedTime TimeNow() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    return FromFileTime(now);
}

std::wstring TimeText(DeletedTime time) {
    uint64_t ticks = static_cast<uint64_t>(time) * kTicksPerSecond;
    FILETIME f{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
    SYSTEMTIME s{};
    FileTimeToSystemTime(&f, &s);
    wchar_t text[32];
    std::swprintf(text, std::size(text), L"%04u-%02u-%02uT%02u:%02u:%02uZ", s.wYear, s.wMonth, s.wDay, s.wHour,
                  s.wMinute, s.wSecond);
    return text;
}

double LocalDate(DeletedTime time) {
    uint64_t ticks = static_cast<uint64_t>(time) * kTicksPerSecond;
    FILETIME utc{static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)}, local{};
    SYSTEMTIME s{};
    double date = 0;
    if (!FileTimeToLocalFileTime(&utc, &local) || !FileTimeToSystemTime(&local, &s) || !SystemTimeToVariantTime(&s, &date))
        throw tk::Failure(E_FAIL, L"The time " + TimeText(time) + L" has no local date");
    return date;
}

std::optional<DeletedTime> ParseTime(const std::wstring& text) {
    // Exactly the digits and separators TimeText writes.
    const wchar_t pattern[] = L"dddd-dd-ddTdd:dd:ddZ";
    if (text.size() != std::size(pattern) - 1) return std::nullopt;
    for (size_t i = 0; i < text.size(); ++i) {
        bool digit = text[i] >= L'0' && text[i] <= L'9';
        if (pattern[i] == L'd' ? !digit : text[i] != pattern[i]) return std::nullopt;
    }
    auto number = [&](size_t at, size_t digits) {
        WORD n = 0;
        for (size_t i = at; i < at + digits; ++i) n = static_cast<WORD>(n * 10 + (text[i] - L'0'));
        return n;
    };
    SYSTEMTIME s{number(0, 4), number(5, 2), 0, number(8, 2), number(11, 2), number(14, 2), number(17, 2), 0};
    FILETIME f;
    if (!SystemTimeToFileTime(&s, &f)) return std::nullopt;
    DeletedTime time = FromFileTime(f);
    // The system accepts a day beyond its month's end on some platforms; such text names no day.
    if (TimeText(time) != text) return std::nullopt;
    return time;
}

}  // namespace corkbase
