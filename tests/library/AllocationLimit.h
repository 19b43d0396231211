#pragma once
// How many more allocations succeed before one fails with std::bad_alloc, once; negative
// for none failing. The library_tests program replaces operator new to count them.

namespace test {

extern int allocationsLeft;

}  // namespace test
