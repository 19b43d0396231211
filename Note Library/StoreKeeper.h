#pragma once
// Who else writes a store. The collection that keeps a store (qpost's notes on the screen)
// holds a mark named after the store's own registry key, which every process of the user
// sees however its predefined keys are redirected; and a digest of what a load reads tells
// a collection whether anyone saved since it last loaded or saved.
#include <cstdint>
#include <optional>
#include <string>

#include "Handles.h"

namespace corkbase {

// Claims the mark of the application's store for as long as the handle lives; fails when
// another collection, in any process, holds it.
tk::UniqueHandle KeepStore(const std::wstring& application);

// Whether a collection, in this process or another, holds the mark of the application's store.
bool StoreKept(const std::wstring& application);

// Changes whenever a save changes anything a load of the application's store reads; empty
// while the store holds no save (none yet, or removed).
std::optional<uint64_t> StoredDigest(const std::wstring& application);

}  // namespace corkbase
