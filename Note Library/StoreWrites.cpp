// The library's own hook before each write of the store: writes go ahead. It stands alone
// in its object so that a test program's definition replaces it at link time.
#include "Store.h"

namespace corkbase {

void BeforeStoreWrite(const std::wstring&, const std::wstring&) {}

}  // namespace corkbase
