#pragma once
// How many more values the store may write before saving stops as if the process had died
// there; negative for no limit. The library_tests program links its own hook before each
// write of the store in place of the library's.

namespace test {

extern int storeWritesLeft;

}  // namespace test
