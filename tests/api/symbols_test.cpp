// libdru01000.so.1 as it ships: the unmangled symbols of its dynamic table
// are exactly the entry points and helpers of the C contract, the only C++
// symbols are those of the public C++ header (none of the standard
// library's), and its SONAME carries the major version.
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
#include "support/library_loader.h"

namespace dru::test {
namespace {

// Symbols the linker itself puts in every shared library's table.
const std::set<std::string> kLinkerSymbols = {"_init", "_fini", "__bss_start", "_edata", "_end"};

// The lines a command prints on its standard output (none when it cannot run).
std::vector<std::string> OutputLines(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>/dev/null").c_str(), "r"), pclose);
    std::vector<std::string> lines;
    if (!pipe) return lines;
    char line[4096];
    while (fgets(line, sizeof line, pipe.get())) lines.emplace_back(line);
    return lines;
}

std::vector<std::string> DefinedDynamicSymbols(const std::string& library) {
    std::vector<std::string> names;
    for (const auto& line : OutputLines("nm -D --defined-only '" + library + "'")) {
        // "<address> <kind> <name>"; versioned names carry "@..." after the name.
        std::istringstream in(line);
        std::string address, kind, name;
        if (!(in >> address >> kind >> name)) continue;
        names.push_back(name.substr(0, name.find('@')));
    }
    return names;
}

// The SONAME in the library's dynamic section; empty when readelf cannot
// read it. The line reads "... (SONAME)  Library soname: [libdru01000.so.1]".
std::string Soname(const std::string& library) {
    for (const auto& line : OutputLines("readelf -d '" + library + "'")) {
        if (line.find("(SONAME)") == std::string::npos) continue;
        const auto open = line.find('[');
        const auto close = line.find(']', open);
        if (open != std::string::npos && close != std::string::npos) return line.substr(open + 1, close - open - 1);
    }
    return {};
}

bool HaveTool(const std::string& name) { return !OutputLines("command -v " + name).empty(); }

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
    EXPECT_TRUE(missing.empty()) << "in the C contract but not exported (is it in src/api/entry_points.def?): "
                                 << ::testing::PrintToString(missing);
}

TEST_F(SymbolsTest, InternalCppNamesStayHidden) {
    std::vector<std::string> internal;
    bool has_public_api = false;
    for (const auto& s : symbols) {
        if (!s.starts_with("_Z")) continue;
        const std::string name = Demangle(s);
        if (name.starts_with("dru01000::")) has_public_api = true;
        // The module's own namespace (the standard library's: below).
        if (name.find("dru::") != std::string::npos) internal.push_back(name);
    }
    EXPECT_TRUE(internal.empty()) << ::testing::PrintToString(internal);
    EXPECT_TRUE(has_public_api) << "the C++ interface of dru01000.hpp is not exported";
}

// The standard library's template instances (vtables, typeinfo, functions,
// weak or not) stay inside: a host's own standard library never binds to
// ours. A symbol is the standard library's when its name, before any
// parameter list, is in namespace std (or its extensions).
TEST_F(SymbolsTest, NoStandardLibrarySymbolIsExported) {
    std::vector<std::string> leaked;
    for (const auto& s : symbols) {
        if (!s.starts_with("_Z")) continue;
        const std::string name = Demangle(s);
        const std::string entity = name.substr(0, name.find('('));
        if (entity.find("std::") != std::string::npos || entity.find("__gnu_cxx::") != std::string::npos)
            leaked.push_back(name);
    }
    EXPECT_TRUE(leaked.empty()) << leaked.size() << " exported: " << ::testing::PrintToString(leaked);
}

TEST(SharedLibrary, SonameCarriesTheMajorVersion) {
    if (!HaveTool("readelf")) GTEST_SKIP() << "no readelf on this machine";
    EXPECT_EQ(Soname(DRU_SHARED_LIBRARY), "libdru01000.so.1");
}

// dru_version() and the library's file name come from the one version.
TEST(SharedLibrary, VersionTextMatchesTheFileName) {
    LoadedLibrary lib;
    ASSERT_TRUE(lib.loaded()) << lib.error();
    auto* version = DRU_LOOKUP(lib, dru_version);
    ASSERT_NE(version, nullptr);
    const std::string text = version();
    EXPECT_TRUE(text.starts_with("1.")) << text << ": the major version is the SONAME's";
    EXPECT_TRUE(std::string(DRU_SHARED_LIBRARY).ends_with("/libdru01000.so." + text)) << DRU_SHARED_LIBRARY;
}

}  // namespace
}  // namespace dru::test
