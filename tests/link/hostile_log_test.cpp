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

#include "host/errors.h"
#include "host/unique_fd.h"
#include "link/debug_log.h"
#include "support/temp_folder.h"

namespace dru {
namespace {

enum class Put { Fifo, Link, Folder };  // what stands in the place of ANALISA_ERRO.txt

struct HostileLog {
    const char* name;
    Put put;
    const char* target;  // a link's; "@" is a file beside the log
    const char* reason;  // in the error text
    bool reader = false;  // a reader holds the FIFO open: it opens, and is refused on what was opened
};

const HostileLog kCases[] = {
    {"fifo_without_reader", Put::Fifo, "", "No such device"},
    {"link_to_a_file", Put::Link, "@", "symbolic link"},
    {"dangling_link", Put::Link, "@.new", "symbolic link"},
    {"link_to_a_device", Put::Link, "/dev/null", "symbolic link"},
    {"folder", Put::Folder, "", "Is a directory"},
    {"fifo_with_a_reader", Put::Fifo, "", "not a regular file", true},
};

class HostileLogFile : public ::testing::TestWithParam<HostileLog> {};

TEST_P(HostileLogFile, IsRefusedNamingTheFileAndNothingIsWritten) {
    test::TempFolder folder;
    const std::string other = folder.file("other.txt");
    std::ofstream(other) << "kept";
    FileLogSink sink(folder.path());
    std::string target = GetParam().target;
    if (target.starts_with("@")) target = other + target.substr(1);
    const std::string log = sink.path();
    ASSERT_EQ(GetParam().put == Put::Fifo   ? ::mkfifo(log.c_str(), 0600)
              : GetParam().put == Put::Link ? ::symlink(target.c_str(), log.c_str())
                                            : ::mkdir(log.c_str(), 0700),
              0);
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
