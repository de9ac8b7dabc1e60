// Nothing leaks out of libdru01000.so under a plain name: the unmangled
// symbols of its dynamic table are exactly the entry points and helpers of
// the C contract, and the only C++ symbols of the module's own are those of
// the public C++ header.
#include <gtest/gtest.h>

#include <cxxabi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <set>
#include <sstream>
#include <string>

#include "api/export_names.h"

namespace dru::test {
namespace {

// Symbols the linker itself puts in every shared library's table.
const std::set<std::string> kLinkerSymbols = {"_init", "_fini", "__bss_start", "_edata", "_end"};

std::vector<std::string> DefinedDynamicSymbols(const std::string& library) {
    const std::string command = "nm -D --defined-only '" + library + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::vector<std::string> names;
    if (!pipe) return names;
    char line[4096];
    while (fgets(line, sizeof line, pipe.get())) {
        // "<address> <kind> <name>"; versioned names carry "@..." after the name.
        std::istringstream in(line);
        std::string address, kind, name;
        if (!(in >> address >> kind >> name)) continue;
        names.push_back(name.substr(0, name.find('@')));
    }
    return names;
}

std::string Demangle(const std::string& name) {
    int status = 0;
    std::unique_ptr<char, void (*)(void*)> out(abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status),
                                               std::free);
    return status == 0 && out ? std::string(out.get()) : name;
}

class SymbolsTest : public ::testing::Test {
protected:
    void SetUp() override {
        symbols = DefinedDynamicSymbols(DRU_SHARED_LIBRARY);
        if (symbols.empty()) GTEST_SKIP() << "nm cannot read " << DRU_SHARED_LIBRARY;
    }
    std::vector<std::string> symbols;
};

TEST_F(SymbolsTest, PlainNamesAreExactlyTheCContract) {
    std::set<std::string> plain;
    for (const auto& s : symbols)
        if (!s.starts_with("_Z") && !kLinkerSymbols.count(s)) plain.insert(s);
    const auto expected_list = AllExportedNames();
    const std::set<std::string> expected(expected_list.begin(), expected_list.end());

    std::vector<std::string> unexpected, missing;
    std::set_difference(plain.begin(), plain.end(), expected.begin(), expected.end(), std::back_inserter(unexpected));
    std::set_difference(expected.begin(), expected.end(), plain.begin(), plain.end(), std::back_inserter(missing));
    EXPECT_TRUE(unexpected.empty()) << "exported but not in the C contract: " << ::testing::PrintToString(unexpected);
    EXPECT_TRUE(missing.empty()) << "in the C contract but not exported: " << ::testing::PrintToString(missing);
}

TEST_F(SymbolsTest, InternalCppNamesStayHidden) {
    std::vector<std::string> internal;
    bool has_public_api = false;
    for (const auto& s : symbols) {
        if (!s.starts_with("_Z")) continue;
        const std::string name = Demangle(s);
        if (name.starts_with("dru01000::")) has_public_api = true;
        // The module's own namespace; the standard library's template
        // instances (namespace std, visible by its own headers) are not ours.
        if (name.find("dru::") != std::string::npos) internal.push_back(name);
    }
    EXPECT_TRUE(internal.empty()) << ::testing::PrintToString(internal);
    EXPECT_TRUE(has_public_api) << "the C++ interface of dru01000.hpp is not exported";
}

}  // namespace
}  // namespace dru::test
