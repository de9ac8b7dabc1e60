// Golden traces: a test's whole trace compared with a reviewed file under
// tests/golden/, so a change in what the link writes, reads, logs or waits -
// or in the order of it - shows as a diff.
//
//   ExpectTraceMatchesGolden(link.trace, "day/drawer.trace");
//
// With DRU_UPDATE_GOLDEN=1 in the environment the file is written from the
// trace instead (its folder created) and the test passes, saying it rewrote
// it. Every rewritten file is read by eye before it is committed.
#pragma once
#include <filesystem>
#include <source_location>
#include <string>
#include <string_view>

#include "host/trace.h"

namespace dru::test {

enum class GoldenResult { Matches, Differs, Missing, Rewritten, WriteFailed };

// Compares `actual` with the file at `path` (its content in `*expected` when
// given); with `update`, writes `actual` there instead, unless it already
// holds exactly that.
GoldenResult CompareWithGolden(const std::string& actual, const std::filesystem::path& path, bool update,
                               std::string* expected = nullptr);

// `name` is the file's path under tests/golden/.
void ExpectTraceMatchesGolden(const Trace& trace, std::string_view name,
                              std::source_location where = std::source_location::current());

}  // namespace dru::test
