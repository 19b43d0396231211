#include "AllocationLimit.h"

#include <cstdlib>
#include <new>

namespace test {

int allocationsLeft = -1;

}  // namespace test

void* operator new(std::size_t size) {
    if (test::allocationsLeft == 0) {
        test::allocationsLeft = -1;
        throw std::bad_alloc();
    }
    if (test::allocationsLeft > 0) --test::allocationsLeft;
    if (void* memory = std::malloc(size ? size : 1)) return memory;
    throw std::bad_alloc();
}

void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
