// Prints the kernels this CPU runs, best first, one a line: the names for
// -DFIELDPICK_KERNEL that CI pins here, one build each.
#include <cstdio>

#include "tests/kernels.h"

int main() {
    for (const Kernel* k : supported_kernels())
        std::printf("%s\n", k->name);
    return 0;
}
