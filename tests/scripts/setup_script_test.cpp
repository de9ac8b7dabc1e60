// The set-up's decisions and the Wine check, with a package manager, a
// compiler and a Wine of the test's own: stubs first on the PATH, which
// keep what is installed in files of a temporary folder.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "support/temp_folder.h"

namespace dru::test {
namespace {

// dpkg: -s answers from `installed`; the foreign architectures live in `archs`.
constexpr const char* kDpkgStub = R"(#!/bin/bash
case "$1" in
  -s) grep -qx "$2" "$STUB/installed" ;;
  --print-foreign-architectures) cat "$STUB/archs" 2>/dev/null ;;
  --add-architecture) echo "$2" >>"$STUB/archs" ;;
esac
)";

// apt-get: `update` fails when the file update_fails exists; `install`
// fails for a package named in `broken` (package|message lines), installs
// the rest, and changes nothing with -s.
constexpr const char* kAptStub = R"(#!/bin/bash
echo "apt-get $*" >>"$STUB/calls"
if [ "$1" = update ]; then
  [ -e "$STUB/update_fails" ] || exit 0
  echo "E: Failed to fetch http://deb/binary-i386/Packages.xz  File has unexpected size" >&2
  exit 100
fi
simulate=""; packages=()
for a in "${@:2}"; do
  case "$a" in -s) simulate=1 ;; -*) ;; *) packages+=("$a") ;; esac
done
for p in "${packages[@]}"; do
  message=$(grep "^$p|" "$STUB/broken" 2>/dev/null | cut -d'|' -f2-)
  if [ -n "$message" ]; then echo -e "$message" >&2; exit 100; fi
done
[ -n "$simulate" ] || printf '%s\n' "${packages[@]}" >>"$STUB/installed"
)";

// What the test compilers and Wine do is set by the test (the file `wine`).
constexpr const char* kCompilerStub = "#!/bin/bash\nwhile [ $# -gt 0 ]; do [ \"$1\" = -o ] && touch \"$2\"; shift; done\n";
constexpr const char* kWineStub = "#!/bin/bash\nsource \"$STUB/wine\"\n";

struct ScriptRun {
    int status = -1;
    std::string output;  // stdout and stderr
};

class SetupScript : public ::testing::Test {
  protected:
    void SetUp() override {
        Write("bin/dpkg", kDpkgStub);
        Write("bin/apt-get", kAptStub);
        Write("bin/sudo", "#!/bin/bash\nexec \"$@\"\n");
        Write("bin/i686-w64-mingw32-gcc-posix", kCompilerStub);
        Write("bin/x86_64-w64-mingw32-gcc-posix", kCompilerStub);
        Write("bin/wine", kWineStub);
        Write("installed", "");
    }

    void Write(const std::string& name, const std::string& text) {
        std::filesystem::create_directories(std::filesystem::path(stub.path() + "/" + name).parent_path());
        std::ofstream(stub.path() + "/" + name) << text;
        if (name.starts_with("bin/"))
            std::filesystem::permissions(stub.path() + "/" + name, std::filesystem::perms::owner_all);
    }

    std::string Read(const std::string& name) const {
        std::ifstream in(stub.path() + "/" + name);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }

    ScriptRun Script(const std::string& command) const {
        const std::string line = "STUB='" + stub.path() + "' PATH='" + stub.path() + "/bin':\"$PATH\" " +
                                 "DRU_SETUP_SKIPS='" + stub.path() + "/skips' bash " + DRU_SOURCE_DIR +
                                 "/scripts/" + command + " 2>&1";
        ScriptRun run;
        FILE* pipe = popen(line.c_str(), "r");
        if (!pipe) return run;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
        const int status = pclose(pipe);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    bool Installed(const std::string& package) const {
        return Read("installed").find(package + "\n") != std::string::npos;
    }

    TempFolder stub;
};

TEST_F(SetupScript, AnIndexThatCannotBeRefreshedIsAWarningAndTheDemonstrationStillInstalls) {
    Write("update_fails", "");
    const ScriptRun run = Script("setup.sh demo");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_NE(run.output.find("warning: the package indexes could not all be refreshed (apt-get update exit "
                              "100): Failed to fetch"),
              std::string::npos)
        << run.output;
    for (const char* p : {"g++", "cmake", "libcli11-dev", "nlohmann-json3-dev", "libcpp-httplib-dev", "libsqlite3-dev"})
        EXPECT_TRUE(Installed(p)) << p;
    // Nothing beyond the demonstration's tier.
    for (const char* p : {"libgtest-dev", "clang", "wine", "chromium"}) EXPECT_FALSE(Installed(p)) << p;
}

TEST_F(SetupScript, ARequiredPackageThatCannotBeInstalledIsNamedWithTheReason) {
    Write("broken", "libgtest-dev|E: Unable to locate package libgtest-dev\n");
    const ScriptRun run = Script("setup.sh test");
    EXPECT_EQ(run.status, 1) << run.output;
    EXPECT_NE(run.output.find("cannot install libgtest-dev, which the test tier requires: Unable to locate "
                              "package libgtest-dev"),
              std::string::npos)
        << run.output;
    EXPECT_TRUE(Installed("libgmock-dev"));  // the others of the tier went in
    EXPECT_FALSE(Installed("wine"));         // the optional parts were not tried
}

TEST_F(SetupScript, AnOptionalPartThatCannotBeInstalledIsSkippedWithItsCulprit) {
    Write("broken",
          "wine32:i386|wine32:i386 : Depends: libwine:i386 (= 8.0) but it is not going to be installed\\n"
          "E: Unable to correct problems, you have held broken packages.\n");
    const ScriptRun run = Script("setup.sh test");
    EXPECT_EQ(run.status, 0) << run.output;
    const std::string line =
        "Windows 32-bit tests skipped: wine32:i386 cannot be installed: Unable to correct problems, you have "
        "held broken packages. (wine32:i386 : Depends: libwine:i386 (= 8.0) but it is not going to be "
        "installed)\n";
    EXPECT_NE(run.output.find(line), std::string::npos) << run.output;
    EXPECT_EQ(Read("skips"), line);
    EXPECT_EQ(Read("archs"), "i386\n");
    for (const char* p : {"libgtest-dev", "clang", "wine64", "g++-mingw-w64-x86-64-posix", "chromium-driver"})
        EXPECT_TRUE(Installed(p)) << p;
    EXPECT_FALSE(Installed("g++-mingw-w64-i686-posix"));  // nothing of a skipped part
}

TEST_F(SetupScript, ABrowserThatCannotBeInstalledSkipsTheConsoleTestAlone) {
    Write("broken", "chromium|E: Package 'chromium' has no installation candidate\n");
    const ScriptRun run = Script("setup.sh test");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(Read("skips"),
              "browser console test skipped: chromium cannot be installed: Package 'chromium' has no "
              "installation candidate\n");
    EXPECT_FALSE(Installed("python3-selenium"));  // nothing of the skipped part
    EXPECT_TRUE(Installed("wine32:i386"));         // the other optional parts went in
}

TEST_F(SetupScript, NothingMissingInstallsNothing) {
    Write("installed",
          "g++\ncmake\nmake\npkg-config\nlibcli11-dev\nnlohmann-json3-dev\nlibcpp-httplib-dev\nlibsqlite3-dev\n");
    const ScriptRun run = Script("setup.sh demo");
    EXPECT_EQ(run.status, 0) << run.output;
    EXPECT_EQ(Read("calls"), "");
}

struct WineCase {
    const char* name;
    const char* wine;  // what the stub Wine does
    int status;
    const char* said;  // what the check says
};

class WineCheck : public SetupScript, public ::testing::WithParamInterface<WineCase> {};

TEST_P(WineCheck, OnlyAProgramThatRanCounts) {
    Write("wine", GetParam().wine);
    const ScriptRun run = Script("wine_check.sh 32");
    EXPECT_EQ(run.status, GetParam().status) << run.output;
    EXPECT_EQ(run.output, GetParam().said);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WineCheck,
    ::testing::Values(
        WineCase{"ran", "echo 'a 32-bit Windows program ran'", 0, ""},
        WineCase{"missing_half_exits_0", "echo 'it looks like wine32 is missing, you should install it.' >&2",
                 1, "Wine does not start a 32-bit program (exit 0: it looks like wine32 is missing, you should "
                    "install it.)\n"},
        WineCase{"fails", "exit 53", 1, "Wine does not start a 32-bit program (exit 53)\n"}),
    [](const auto& info) { return std::string(info.param.name); });

// The Wine suites pass on GoogleTest's own summary, not on an exit code.
struct SummaryCase {
    const char* name;
    const char* program;  // what the stub test program does
    bool passes;
};

class GoogleTestSummary : public SetupScript, public ::testing::WithParamInterface<SummaryCase> {};

TEST_P(GoogleTestSummary, DecidesTheVerdict) {
    Write("bin/test_program", std::string("#!/bin/bash\n") + GetParam().program + "\n");
    const std::string line = "cmake -DPROGRAM='" + stub.path() + "/bin/test_program' -P " + DRU_SOURCE_DIR +
                             "/cmake/gtest_ran.cmake >/dev/null 2>&1";
    EXPECT_EQ(std::system(line.c_str()) == 0, GetParam().passes);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GoogleTestSummary,
    ::testing::Values(SummaryCase{"all_passed", "echo '[==========] 3 tests from 1 test suite ran. (5 ms total)'; "
                                                "echo '[  PASSED  ] 3 tests.'",
                                  true},
                      SummaryCase{"some_skipped", "echo '[==========] 3 tests from 1 test suite ran.'; "
                                                  "echo '[  PASSED  ] 2 tests.'; echo '[  SKIPPED ] 1 test, listed below:'",
                                  true},
                      SummaryCase{"nothing_ran_exit_0", "echo 'it looks like wine32 is missing'", false},
                      SummaryCase{"one_failed_exit_0", "echo '[==========] 3 tests from 1 test suite ran.'; "
                                                       "echo '[  PASSED  ] 2 tests.'",
                                  false},
                      SummaryCase{"crashed_after_summary", "echo '[==========] 1 test from 1 test suite ran.'; "
                                                           "echo '[  PASSED  ] 1 test.'; exit 3",
                                  false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dru::test
