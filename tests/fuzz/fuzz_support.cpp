#include <cstdio>
#include <cstdlib>

#include "fuzz/fuzz_targets.h"
#include "host/errors.h"

namespace dru::fuzz {

void Finding(const std::string& what) {
    std::fprintf(stderr, "fuzz finding: %s\n", what.c_str());
    std::abort();
}

void ExpectModuleError(const std::exception& e) {
    if (ReportOf(e).kind == ErrorKind::Internal)
        Finding(std::string("not a module error: ") + e.what());
}

}  // namespace dru::fuzz
