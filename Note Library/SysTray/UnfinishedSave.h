#pragma once
// The record a save cut short leaves in the store (General/"saving"), when the library
// cannot read it back: the load refuses to start, and qpost offers to set it aside.
#include <string>

#include "Failure.h"

namespace qpost {

// Whether a failed load stopped at the record of a save cut short.
bool FailedOnUnfinishedSave(const tk::Failure& failure);

// Moves the record, type and bytes unchanged, to a value of General no other value has
// ("saving unreadable", then "saving unreadable 2", ...) and returns that name. Nothing
// of it is ever deleted: a failure leaves the record where it was.
std::wstring SetAsideUnfinishedSave();

}  // namespace qpost
