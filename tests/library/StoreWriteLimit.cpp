#include "StoreWriteLimit.h"

#include "Failure.h"
#include "Store.h"

namespace test {

int storeWritesLeft = -1;

}  // namespace test

namespace corkbase {

void BeforeStoreWrite(const std::wstring& section, const std::wstring& key) {
    if (test::storeWritesLeft == 0) throw tk::Failure(E_ABORT, section + L"/" + key + L": saving stopped by the test");
    if (test::storeWritesLeft > 0) --test::storeWritesLeft;
}

}  // namespace corkbase
