// The debug log writes only into a regular file: whatever else stands under
// its name (a FIFO with or without a reader, a link, a folder, a device) is
// the input/output error naming the file, raised at once, with nothing
// written anywhere.
#if !defined(_WIN32)
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "host/errors.h"
#include "host/unique_fd.h"
#include "link/debug_log.h"
#include "support/temp_folder.h"

namespace dru {
namespace {

struct HostileLog {
    const char* name;
    // Puts something in the place of ANALISA_ERRO.txt; `other` is a file beside it.
    std::function<void(const std::string& log, const std::string& other)> plant;
    const char* reason;  // in the error text
    bool reader = false;  // a reader holds the FIFO open: it opens, and is refused on what was opened
};

const HostileLog kCases[] = {
    {"fifo_without_reader", [](const std::string& log, const std::string&) { ASSERT_EQ(::mkfifo(log.c_str(), 0600), 0); },
     "No such device"},
    {"link_to_a_file", [](const std::string& log, const std::string& other) { ASSERT_EQ(::symlink(other.c_str(), log.c_str()), 0); },
     "symbolic link"},
    {"dangling_link", [](const std::string& log, const std::string& other) {
         ASSERT_EQ(::symlink((other + ".new").c_str(), log.c_str()), 0);
     }, "symbolic link"},
    {"link_to_a_device", [](const std::string& log, const std::string&) { ASSERT_EQ(::symlink("/dev/null", log.c_str()), 0); },
     "symbolic link"},
    {"folder", [](const std::string& log, const std::string&) { ASSERT_EQ(::mkdir(log.c_str(), 0700), 0); },
     "Is a directory"},
    {"fifo_with_a_reader", [](const std::string& log, const std::string&) { ASSERT_EQ(::mkfifo(log.c_str(), 0600), 0); },
     "not a regular file", true},
};

class HostileLogFile : public ::testing::TestWithParam<HostileLog> {};

TEST_P(HostileLogFile, IsRefusedNamingTheFileAndNothingIsWritten) {
    test::TempFolder folder;
    const std::string other = folder.file("other.txt");
    std::ofstream(other) << "kept";
    FileLogSink sink(folder.path());
    GetParam().plant(sink.path(), other);
    // The reader never gets a byte, and no write can raise SIGPIPE.
    const UniqueFd reader(GetParam().reader ? ::open(sink.path().c_str(), O_RDONLY | O_NONBLOCK) : -1);
    try {
        sink.append("line\r\n");
        FAIL() << "the line went out";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find(sink.path()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(GetParam().reason), std::string::npos) << e.what();
    }
    std::ifstream in(other);
    std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "kept");
    EXPECT_FALSE(std::filesystem::exists(other + ".new"));
    char byte = 0;
    if (reader) {
        EXPECT_LE(::read(reader.get(), &byte, 1), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Places, HostileLogFile, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dru
#endif
