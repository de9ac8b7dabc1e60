#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include "host/errors.h"
#include "link/exchange.h"
#include "link/frames.h"
#include "support/fake_link.h"
#include "support/temp_folder.h"

namespace dru {
namespace {

namespace fs = std::filesystem;

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The shared temporary folder, as a path.
class TempFolder {
public:
    const fs::path& path() const { return path_; }

private:
    test::TempFolder made_;
    fs::path path_{made_.path()};
};

TEST(FileLogSink, CreatesTheFileThenOnlyAppends) {
    TempFolder folder;
    VirtualClock clock;
    FormatSettings format;
    FileLogSink sink(folder.path().string());
    EXPECT_EQ(sink.path(), folder.path().string() + "/ANALISA_ERRO.txt");
    DebugLog log(sink, clock, format);

    log.ImpFisDebug("primeira");  // no file yet: created
    EXPECT_EQ(Slurp(sink.path()), "08-12-2026 12:00:00 - primeira\r\n");

    std::ofstream(sink.path(), std::ios::binary | std::ios::trunc) << "old line\r\n";
    log.ImpFisDebug("Retorno : se\u00f1a");
    log.ImpFisDebug("Comando Enviado Generico" + Frame("01"));
    EXPECT_EQ(Slurp(sink.path()),
              "old line\r\n"
              "08-12-2026 12:00:00 - Retorno : se\xF1" "a\r\n"
              "08-12-2026 12:00:00 - Comando Enviado Generico\x87" "01\x88\r\n");
}

TEST(FileLogSink, UnwritableFolderRaisesInOutErrorNamingTheFile) {
    TempFolder folder;
    const fs::path not_a_folder = folder.path() / "file";
    std::ofstream(not_a_folder) << "x";
    std::vector<std::string> folders = {"/nonexistent-dru-folder", not_a_folder.string()};
#if !defined(_WIN32)  // a folder's permission bits do not stop writes there
    if (::geteuid() != 0) {  // root writes through permission bits
        const fs::path ro = folder.path() / "ro";
        fs::create_directory(ro);
        fs::permissions(ro, fs::perms::owner_read | fs::perms::owner_exec);
        folders.push_back(ro.string());
    }
#endif
    for (const auto& f : folders) {
        FileLogSink sink(f);
        try {
            sink.append("x\r\n");
            FAIL() << f;
        } catch (const EInOutError& e) {
            EXPECT_NE(std::string(e.what()).find(sink.path()), std::string::npos) << e.what();
        }
    }
}

TEST(FileLogSink, AppendsInAFolderWhoseNameIsNotAscii) {
    test::TempFolder temp;
    const std::string folder = temp.file("Usu\u00e1rios \u00d1o\u00f1o \u20ac");
    ASSERT_TRUE(fs::create_directory(fs::path(std::u8string(folder.begin(), folder.end()))));
    FileLogSink sink(folder);
    sink.append("um\r\n");
    sink.append("dois\r\n");
    const std::string log = sink.path();
    EXPECT_EQ(Slurp(fs::path(std::u8string(log.begin(), log.end()))), "um\r\ndois\r\n");
}

TEST(FileLogSink, ExchangeWhoseLogFailsClosesThePortAndRaises) {
    test::FakePortProvider ports;
    VirtualClock clock;
    FormatSettings format;
    FileLogSink sink("/nonexistent-dru-folder");
    DebugLog log(sink, clock, format);
    test::RecordingDialog dialog;
    test::FixedMessages messages;
    LinkContext ctx{ports, clock, log, dialog, messages, format};
    EXPECT_THROW(Comand_Porta(ctx, Frame("01"), kCommandExchange, "COM1", "Azul"), EInOutError);
    EXPECT_EQ(ports.frames().size(), 1u);  // written, then the log failed
    EXPECT_EQ(ports.open_now(), 0);
}

}  // namespace
}  // namespace dru
