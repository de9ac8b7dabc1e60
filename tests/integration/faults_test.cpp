// Faults in the middle of a document, through the C contract against the
// printer simulator on a pseudo-terminal (real serial code, real clock): the
// line hangs up after the nth frame (printer unplugged), the line stops
// taking bytes (printer off line), a reply trickles in past the read
// time-out, the debug log's folder becomes read-only or full halfway. For
// each: the call returns within its bound, leaves no descriptor open, leaves
// the host's tables as the operation's contract says, and reports what
// happened (result, dru_last_error(), the log where it can still be written).
#include <gtest/gtest.h>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "api/c_handles.h"
#include "dru01000.h"
#include "link/commands.h"
#include "printer_model.h"
#include "pty_server.h"
#include "support/operation_inputs.h"
#include "support/pty_host.h"
#include "support/temp_folder.h"

namespace dru::test {
namespace {

constexpr const char* kPort = "COM5";
constexpr const char* kLogFile = "ANALISA_ERRO.txt";
constexpr const char* kLineFailed = "Falha na linha da impressora: documento encerrado";
// Real time on a shared machine: what a bound may be overrun by.
constexpr std::int64_t kSlackMs = 700;

// Wall time since construction.
class Stopwatch {
  public:
    std::int64_t ms() const {
        return std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now() - start_)
            .count();
    }

  private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
};

// The host's sale tables, as C handles.
struct HostSale {
    DruParams params;
    DruDataSet vendas, movi, receb;
    DruText result{"before"};

    explicit HostSale(int items) {
        SaleInput in(kPort, items, 1);
        params.params = in.params;
        vendas.table.CopyFrom(in.vendas);
        movi.table.CopyFrom(in.movi);
        receb.table.CopyFrom(in.receb);
    }
    std::string Sell() {
        ImpressaoVenda(&params, &vendas, &movi, &receb, nullptr, nullptr, nullptr, nullptr, "0",
                       &result);
        return result.value;
    }
};

// Without the power to override file permissions (which root has), on the
// calling thread only, until destroyed: a read-only folder is then
// read-only for the driver's calls made on this thread.
class NoPermissionOverride {
  public:
    NoPermissionOverride() {
        if (::geteuid() != 0) return;
        header_.version = _LINUX_CAPABILITY_VERSION_3;
        if (::syscall(SYS_capget, &header_, saved_) != 0) return;
        __user_cap_data_struct dropped[2] = {saved_[0], saved_[1]};
        dropped[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        dropped[0].effective &= ~(1u << CAP_DAC_READ_SEARCH);
        dropped[0].effective &= ~(1u << CAP_FOWNER);
        active_ = ::syscall(SYS_capset, &header_, dropped) == 0;
    }
    ~NoPermissionOverride() {
        if (active_) ::syscall(SYS_capset, &header_, saved_);
    }
    // False when the process keeps the override (root that could not drop it).
    bool effective() const { return ::geteuid() != 0 || active_; }

  private:
    __user_cap_header_struct header_{};
    __user_cap_data_struct saved_[2]{};
    bool active_ = false;
};

class Faults : public PtyHost {
  protected:
    Faults() : PtyHost(kPort) {}

    // The descriptors are counted without the simulator's own: the server
    // is made after the first count and gone before the second.
    void SetUp() override {
        descriptors_before_ = OpenDescriptorCount();
        ::getrlimit(RLIMIT_FSIZE, &file_size_limit_);
        PtyHost::SetUp();
    }
    void TearDown() override {
        ::setrlimit(RLIMIT_FSIZE, &file_size_limit_);
        std::filesystem::permissions(folder.path(), std::filesystem::perms::owner_all);
        if (server) {
            server.reset();
            EXPECT_EQ(OpenDescriptorCount(), descriptors_before_)
                << "a descriptor outlived the call";
        }
        PtyHost::TearDown();
    }

    void Fault(const sim::LineFaults& faults) { server->set_faults(faults); }
    // Runs `fn` on the server thread once frame `n` has arrived and the log
    // holds `logged` lines: the driver logs a frame just after writing it, so
    // the fault is made to fall between two of its log lines, the same way
    // every run (the wait is bounded; each document pauses after a line).
    template <class F>
    void AtFrame(std::size_t n, std::size_t logged, F fn) {
        server->on_frame([this, n, logged, fn](std::size_t frames) {
            if (frames != n) return;
            for (int i = 0; i < 100 && Log().size() < logged; ++i)
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            fn();
        });
    }
    std::vector<std::string> Frames() {
        return inspect([](sim::PrinterModel& m) { return m.frames(); });
    }
    // The messages of the debug log, after "date time - ".
    std::vector<std::string> Log() const {
        std::vector<std::string> messages;
        std::ifstream in(folder.file(kLogFile), std::ios::binary);
        for (std::string line; std::getline(in, line);) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            const auto sep = line.find(" - ");
            messages.push_back(sep == std::string::npos ? line : line.substr(sep + 3));
        }
        return messages;
    }
    std::string LastError() const { return dru_last_error(); }

    // The folder stops taking writes: read-only, its log file too.
    void MakeFolderReadOnly() {
        namespace fs = std::filesystem;
        fs::permissions(folder.file(kLogFile), fs::perms::owner_read);
        fs::permissions(folder.path(), fs::perms::owner_read | fs::perms::owner_exec);
    }
    // The log file takes no more byte, as on a full disk: the process may
    // write no file past the log's present size (put back at the end of the
    // test). The write then fails with "File too large" (SIGXFSZ ignored).
    // The log writes only regular files, so a link to /dev/full cannot stand in.
    void MakeFolderFull() {
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit full = file_size_limit_;
        full.rlim_cur = std::filesystem::file_size(folder.file(kLogFile));
        ::setrlimit(RLIMIT_FSIZE, &full);
    }
    static std::string FullDisk() { return std::strerror(EFBIG); }

  private:
    int descriptors_before_ = 0;
    rlimit file_size_limit_{};
};

// ---- The line hangs up (printer unplugged) ----------------------------------

// A sale whose printer goes after its fourth frame (the first item): the
// next write fails, which ends the sale there: no more frames, no pause, no
// exchange (the receipt number is not asked), one log line saying so; the
// verdict is "unconfirmed".
TEST_F(Faults, HangUpInTheMiddleOfASale) {
    HostSale sale(2);
    const std::string items_before = sale.vendas.table.GetDataPacket();
    const std::string movements_before = sale.movi.table.GetDataPacket();
    sim::LineFaults faults;
    faults.hang_up_after_frames = 4;
    Fault(faults);
    Stopwatch watch;
    const std::string number = sale.Sell();

    EXPECT_LE(watch.ms(), 4950 + 200 * 2 + 200 * 1 + 220 * 9 + kSlackMs);
    EXPECT_EQ(number, "") << "no receipt number: the printer is gone";
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE) << "a printer that goes is no platform error";
    EXPECT_EQ(dru_last_verdict(nullptr), DRU_VERDICT_UNCONFIRMED);
    EXPECT_EQ(Frames().size(), 4u);
    const auto log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), kLineFailed), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "Comando \"20\" para totalizar o cupom"), 0);
    EXPECT_EQ(sale.vendas.table.GetDataPacket(), items_before)
        << "a sale never writes the host's rows";
    EXPECT_EQ(sale.movi.table.GetDataPacket(), movements_before);
}

// The cash supply loses its printer after the third frame: the fourth write
// fails and ends the block; a failed line confirms nothing.
TEST_F(Faults, HangUpDuringTheCashSupply) {
    sim::LineFaults faults;
    faults.hang_up_after_frames = 3;
    Fault(faults);
    Stopwatch watch;
    const bool ok = Suprimento(kPort, "Azul", 15000, true);

    EXPECT_LE(watch.ms(), 6 * 180 + kSlackMs);
    EXPECT_FALSE(ok);
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE);
    EXPECT_EQ(dru_last_verdict(nullptr), DRU_VERDICT_UNCONFIRMED);
    EXPECT_EQ(Frames().size(), 3u);
    const auto log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), kLineFailed), 1);
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const std::string& l) { return l.starts_with("Resultado"); }), 0);
}

// ---- The line takes no more bytes (printer off line, queue full) ------------

// Off line after the second frame: the third frame is held for the write
// time-out and not taken, which ends the block: no other frame waits.
TEST_F(Faults, WritesBlockDuringTheCashSupply) {
    sim::LineFaults faults;
    faults.block_writes_after_frames = 2;
    Fault(faults);
    Stopwatch watch;
    const bool ok = Suprimento(kPort, "Azul", 15000, true);

    const std::int64_t took = watch.ms();
    EXPECT_GE(took, kWriteTotalTimeoutMs);
    EXPECT_LE(took, 6 * 180 + kWriteTotalTimeoutMs + kSlackMs);
    EXPECT_FALSE(ok);
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE);
    EXPECT_EQ(dru_last_verdict(nullptr), DRU_VERDICT_UNCONFIRMED);
    EXPECT_EQ(Frames().size(), 2u);
    const auto log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), kLineFailed), 1);
}

// ---- A reply that trickles in past the read time-out ---------------------------

// One byte every 200 ms: the read ends at its time-out with about six bytes
// ("41:0:1"), far short of the colon that ends the receipt number's field,
// so no receipt number was read and the host's text keeps its value. (At
// 100 ms the tenth byte, that colon, could arrive just inside the time-out.)
TEST_F(Faults, ATricklingReplyLeavesTheReceiptNumberUnread) {
    sim::LineFaults faults;
    faults.trickle_ms = 200;
    Fault(faults);
    DruText number{"0000000999"};
    Stopwatch watch;
    Nr_Cupom(kPort, "Azul", &number);

    EXPECT_LE(watch.ms(), kReadTotalTimeoutMs + kSlackMs);
    EXPECT_EQ(number.value, "0000000999");
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE);
    const auto log = Log();
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].rfind("Retorno : 41:", 0), 0u) << log[1];
    EXPECT_LT(log[1].size(), std::string("Retorno : 41:0:1000:").size()) << log[1];
}

// One byte every 20 ms: about 50 bytes of the counters arrive, and the five
// pairs are built from what did (the fields past the cut are empty, as from
// a silent printer).
TEST_F(Faults, ATricklingReplyGivesThePrinterDataItsFirstFields) {
    sim::LineFaults faults;
    faults.trickle_ms = 20;
    Fault(faults);
    DruParams params;
    params.params.add("CDPORTAIMPFIS", kPort);
    params.params.add("REDIMP", "41");
    Stopwatch watch;
    EXPECT_TRUE(Carrega_Dados_Impressora(&params));

    EXPECT_LE(watch.ms(), kReadTotalTimeoutMs + kSlackMs);
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_NONE);
    ASSERT_EQ(params.params.size(), 5u);
    EXPECT_EQ(params.params[2].value, "41");  // REDIMP, handed back as it came
    EXPECT_EQ(params.params[4].value, "");    // DATAIMP: field 44 never arrived
}

// ---- The debug log's folder becomes read-only or full halfway ------------------

// The folder goes read-only as the third frame reaches the printer: the next
// log line fails, the call stops there with the input/output error naming
// the log, its port closed, and the host's result text as it was.
TEST_F(Faults, ReadOnlyLogFolderHalfwayThroughASale) {
    NoPermissionOverride no_override;
    if (!no_override.effective())
        GTEST_SKIP() << "root keeps the power to write a read-only folder";
    HostSale sale(2);
    const std::string items_before = sale.vendas.table.GetDataPacket();
    // After the boleta's "12" was sent and logged (the seventh line).
    AtFrame(3, 7, [&] { MakeFolderReadOnly(); });
    Stopwatch watch;
    const std::string number = sale.Sell();

    EXPECT_LE(watch.ms(), 4950 + 200 * 2 + 200 * 1 + 220 * 9 + kSlackMs);
    EXPECT_EQ(number, "before");
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_IO);
    EXPECT_EQ(LastError(),
              "Cannot write the debug log " + folder.file(kLogFile) + ": Permission denied");
    const auto log = Log();
    ASSERT_EQ(log.size(), 7u);
    EXPECT_EQ(log.back().rfind("Comando Enviado Generico", 0), 0u)
        << "the last line the folder took";
    EXPECT_EQ(sale.vendas.table.GetDataPacket(), items_before);
}

// The payment types: the folder goes read-only as the printer is asked for
// its list, so the exchange's "Comando Enviado" line fails; the records come
// back as they were handed in and the table is left filtered by
// "IDTPBUTTON = '5'", as on every error midway.
TEST_F(Faults, ReadOnlyLogFolderDuringThePaymentTypes) {
    NoPermissionOverride no_override;
    if (!no_override.effective())
        GTEST_SKIP() << "root keeps the power to write a read-only folder";
    DruDataSet types;
    FillPaymentTypes(types.table);
    const std::string handed_in = types.table.GetDataPacket();
    std::ofstream(folder.file(kLogFile)) << "";
    AtFrame(1, 0, [&] { MakeFolderReadOnly(); });
    Stopwatch watch;
    CarregaRecebimento(kPort, "Azul", 16, &types);

    EXPECT_LE(watch.ms(), kSlowReplyPauseMs + kReadTotalTimeoutMs + kSlackMs);
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_IO);
    EXPECT_NE(LastError().find(folder.file(kLogFile)), std::string::npos) << LastError();
    EXPECT_EQ(types.table.Filter(), "IDTPBUTTON = '5'");
    EXPECT_TRUE(types.table.Filtered());
    EXPECT_EQ(types.table.GetDataPacket(), handed_in);
}

// The disk fills as the fourth frame of the product report arrives: the
// report stops there with the input/output error; the host's table is as it
// was handed in.
TEST_F(Faults, FullLogDiskHalfwayThroughTheProductReport) {
    DruDataSet products;
    FillProductsSold(products.table, 5);
    const std::string handed_in = products.table.GetDataPacket();
    AtFrame(4, 4, [&] { MakeFolderFull(); });  // the column titles' line written and logged
    Stopwatch watch;
    Relatorio_Produto(kPort, "", "", "", "", nullptr, &products, "N", "", "Azul", nullptr);

    EXPECT_LE(watch.ms(), 3 * (2081 + 200 * 5) + kSlackMs);
    EXPECT_EQ(dru_last_error_code(), DRU_ERR_IO);
    EXPECT_EQ(LastError(),
              "Cannot write the debug log " + folder.file(kLogFile) + ": " + FullDisk());
    EXPECT_EQ(Log().size(), 4u) << "the lines logged before the disk filled";
    EXPECT_EQ(products.table.GetDataPacket(), handed_in);
}

// The cash closing's withdrawal receipt meets a full disk at its third
// frame: the closing stops, false, `*boReduziu` untouched, no question asked.
TEST_F(Faults, FullLogDiskDuringTheCashClosing) {
    ClosingInput in(2, 2);
    DruDataSet movFecha, sangria, products, operators, movTot, types, redz, formRedz, imposto,
        totNFis;
    movFecha.table.CopyFrom(in.movFecha);
    sangria.table.CopyFrom(in.sangria);
    products.table.CopyFrom(in.products);
    operators.table.CopyFrom(in.operators);
    movTot.table.CopyFrom(in.movTot);
    types.table.CopyFrom(in.paymentTypes);
    int questions = 0;
    dru_set_message_handler(
        [](void* user, const char*, const char*, const char*, const char*, int32_t, const char*,
           const char*, int32_t, const DruDataSet*) {
            ++*static_cast<int*>(user);
            return false;
        },
        &questions);
    AtFrame(3, 3, [&] { MakeFolderFull(); });
    bool reduced = true;
    Stopwatch watch;
    const bool again = GeraReciboSangria(
        kPort, "", "", "", "0007", 16, nullptr, &movFecha, &sangria, &products, &operators, &movTot,
        nullptr, nullptr, nullptr, 0, true, false, false, &redz, &formRedz, &imposto, &totNFis,
        &reduced, &types, "N", "", "", "", "Azul", false, false, true, "", "");
    const int error = dru_last_error_code();
    const std::string message = LastError();
    dru_set_message_handler(nullptr, nullptr);

    EXPECT_LE(watch.ms(), 3 * (2401 + 200 * 2) + kSlackMs);
    EXPECT_FALSE(again);
    EXPECT_TRUE(reduced) << "left as it was";
    EXPECT_EQ(questions, 0);
    EXPECT_EQ(error, DRU_ERR_IO);
    EXPECT_NE(message.find(FullDisk()), std::string::npos) << message;
}

}  // namespace
}  // namespace dru::test
