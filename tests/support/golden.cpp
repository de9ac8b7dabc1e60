#include "support/golden.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>

namespace dru::test {

namespace {

constexpr const char* kUpdateVariable = "DRU_UPDATE_GOLDEN";

bool UpdateRequested() {
    const char* value = std::getenv(kUpdateVariable);
    return value != nullptr && std::string_view(value) == "1";
}

std::optional<std::string> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool WriteFile(const std::filesystem::path& path, const std::string& content) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
    out.close();
    return static_cast<bool>(out);
}

}  // namespace

GoldenResult CompareWithGolden(const std::string& actual, const std::filesystem::path& path, bool update,
                               std::string* expected) {
    const std::optional<std::string> stored = ReadFile(path);
    if (stored && expected) *expected = *stored;
    if (stored && *stored == actual) return GoldenResult::Matches;
    if (update) return WriteFile(path, actual) ? GoldenResult::Rewritten : GoldenResult::WriteFailed;
    return stored ? GoldenResult::Differs : GoldenResult::Missing;
}

void ExpectTraceMatchesGolden(const Trace& trace, std::string_view name, std::source_location where) {
    const ::testing::ScopedTrace scope(where.file_name(), static_cast<int>(where.line()),
                                       "golden trace " + std::string(name));
    const std::filesystem::path path = std::filesystem::path(DRU_GOLDEN_DIR) / name;
    const std::string actual = trace.text();
    std::string expected;
    switch (CompareWithGolden(actual, path, UpdateRequested(), &expected)) {
        case GoldenResult::Matches:
            return;
        case GoldenResult::Rewritten:
            std::cout << "[ GOLDEN   ] rewrote " << path.string() << ": review it before committing\n";
            return;
        case GoldenResult::WriteFailed:
            ADD_FAILURE() << "cannot write the golden file " << path.string();
            return;
        case GoldenResult::Missing:
            ADD_FAILURE() << "no golden file " << path.string() << "; create it by running the test with "
                          << kUpdateVariable << "=1, then review it before committing. The trace was:\n"
                          << actual;
            return;
        case GoldenResult::Differs:
            EXPECT_EQ(expected, actual) << "the trace differs from " << path.string()
                                        << "; if the change is meant, rewrite the file with " << kUpdateVariable
                                        << "=1 and review its diff before committing";
            return;
    }
}

}  // namespace dru::test
