// en_US built into a folder of the test's own (for LOCPATH), so a test does
// not depend on the locales the machine happens to have.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace dru::test {

// The LOCPATH folder holding en_US.UTF-8, or "" where localedef is missing.
// Test programs run in parallel: each builds under a name of its own and
// renames it into place, so none reads a half-built locale.
inline std::string PrivateLocaleFolder() {
    const std::string dir = testing::TempDir() + "dru_locales";
    const std::string locale = dir + "/en_US.UTF-8";
    const std::string build = "test -d " + locale + " || { mkdir -p " + dir + " && tmp=$(mktemp -d " + dir +
                              "/build.XXXXXX) && localedef -i en_US -f UTF-8 \"$tmp/l\" >/dev/null 2>&1;" +
                              " mv -T \"$tmp/l\" " + locale + " 2>/dev/null; rm -rf \"$tmp\"; test -d " + locale +
                              "; }";
    return std::system(build.c_str()) == 0 ? dir : "";
}

}  // namespace dru::test
