// SPDX-License-Identifier: GPL-3.0-or-later
// libFuzzer's entry point for one target; the target function comes from the build (LUMIVANE_FUZZ_TARGET).
#include "FuzzTargets.h"

#include <cstdio>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (const char *fault = FuzzTargets::LUMIVANE_FUZZ_TARGET(data, size)) {
        std::fprintf(stderr, "fuzz target found a fault: %s\n", fault);
        std::abort();
    }
    return 0;
}
