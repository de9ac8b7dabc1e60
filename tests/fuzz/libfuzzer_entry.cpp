// libFuzzer's entry point for one target: built into fuzz_<name> with
// DRU_FUZZ_TARGET naming the target's function; in test_fuzz it is empty.
#ifdef DRU_FUZZ_TARGET
#include "fuzz/fuzz_targets.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return DRU_FUZZ_TARGET(data, size);
}
#endif
