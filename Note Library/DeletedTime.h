#pragma once
// When a note was deleted: whole seconds since 1601-01-01 UTC, stored as text such as
// "2026-12-08T14:05:09Z".
#include <cstdint>
#include <optional>
#include <string>

namespace corkbase {

using DeletedTime = int64_t;

DeletedTime TimeNow();
std::wstring TimeText(DeletedTime time);
// The time as an automation date in local time.
double LocalDate(DeletedTime time);
// Nothing for text TimeText does not write, or a date that does not exist.
std::optional<DeletedTime> ParseTime(const std::wstring& text);

}  // namespace corkbase
