// The trace's byte form must be exact (a golden file that hides a byte
// passes a wrong frame) and the virtual clock's entries tell a printer pause
// from time the line let pass.
#include "host/trace.h"

#include <gtest/gtest.h>

#include <fstream>

#include "host/clock.h"
#include "support/golden.h"
#include "support/temp_folder.h"

namespace dru {
namespace {

using Strings = std::vector<std::string>;

TEST(TraceBytes, EveryByteReadableAndNoneMistakenForAnother) {
    const struct {
        const char* name;
        std::string bytes;
        std::string shown;
    } cases[] = {
        {"frame bytes", "\x87" "481" "\x88", "<87>481<88>"},
        {"reply terminators", "1\r", "1<0D>"},
        {"control bytes", std::string("\x00\x03\n\x1b\x7f", 5), "<00><03><0A><1B><7F>"},
        {"Latin-1 letters as UTF-8", "Se\xf1or \xc7", "Señor Ç"},
        {"invisible Latin-1", "a\xa0" "b\xad" "c", "a<A0>b<AD>c"},
        {"an opening bracket cannot pass for a byte", "<87>", "<3C>87>"},
        {"blanks at the end", "Resultado : ", "Resultado :<20>"},
        {"blanks inside stay", "a  b", "a  b"},
        {"only blanks", "  ", "<20><20>"},
        {"no byte at all", "", "<none>"},
    };
    for (const auto& c : cases) EXPECT_EQ(TraceBytes(c.bytes), c.shown) << c.name;
}

TEST(Trace, OneEntryPerLine) {
    Trace trace;
    EXPECT_EQ(trace.text(), "");
    trace.add(TraceCall("open COM1", true));
    trace.add(TraceCall("set_state", false));
    trace.add(TraceRead(4001, 2, "1\r"));
    trace.add(TraceRead(4001, 0, ""));
    trace.add(TraceRead(1001, -1, ""));
    EXPECT_EQ(trace.text(),
              "open COM1\nset_state -> <failed>\nread 4001 -> 1<0D>\nread 4001 -> <none>\nread 1001 -> <failed>\n");
}

TEST(VirtualClockTrace, PausesAndWaitsAreEntriesButTheTestsOwnTimeIsNot) {
    Trace trace;
    VirtualClock clock;
    clock.sleep_ms(100);  // before the trace: only recorded as a pause
    clock.set_trace(&trace);
    clock.sleep_ms(800);
    clock.wait_ms(1000);
    clock.wait_ms(0);
    clock.advance_ms(5000);
    EXPECT_EQ(trace.entries(), (Strings{"pause 800", "wait 1000"}));
    EXPECT_EQ(clock.pauses(), (std::vector<int>{100, 800})) << "a wait is no pause";
    EXPECT_EQ(clock.steady_ms(), 6900);
}

// The golden comparison itself: a missing or different file must fail, and
// a file is written only when asked.
TEST(GoldenFile, FailsWhenMissingOrDifferentAndIsWrittenOnlyWhenAsked) {
    using test::CompareWithGolden;
    using test::GoldenResult;
    test::TempFolder folder;
    const std::filesystem::path path = std::filesystem::path(folder.path()) / "day" / "drawer.trace";

    EXPECT_EQ(CompareWithGolden("write <87>60<88>\n", path, false), GoldenResult::Missing);
    EXPECT_FALSE(std::filesystem::exists(path));

    EXPECT_EQ(CompareWithGolden("write <87>60<88>\n", path, true), GoldenResult::Rewritten);
    EXPECT_EQ(CompareWithGolden("write <87>60<88>\n", path, false), GoldenResult::Matches);
    EXPECT_EQ(CompareWithGolden("write <87>60<88>\n", path, true), GoldenResult::Matches) << "nothing to rewrite";

    std::string expected;
    EXPECT_EQ(CompareWithGolden("write <87>61<88>\n", path, false, &expected), GoldenResult::Differs);
    EXPECT_EQ(expected, "write <87>60<88>\n");
    EXPECT_EQ(CompareWithGolden("write <87>60<88>", path, false), GoldenResult::Differs) << "the last line end counts";

    EXPECT_EQ(CompareWithGolden("write <87>61<88>\n", path, true), GoldenResult::Rewritten);
    std::ifstream in(path, std::ios::binary);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "write <87>61<88>\n");
}

}  // namespace
}  // namespace dru
