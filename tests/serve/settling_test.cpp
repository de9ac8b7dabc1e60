// What a cut-off job is settled as, the queue's bound, and the token file.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <fstream>
#include <future>

#include "access.h"
#include "print_queue.h"
#include "reconcile.h"
#include "support/temp_folder.h"

namespace dru::serve::test {
namespace {

constexpr const char* kCashSale = R"({"cdsMovi": [{"IDTIPOMOVIVE": "R", "IDTIPORECE": "1", "CDTIPORECE": "01"}]})";
constexpr const char* kDebitSale = R"({"cdsMovi": [{"IDTIPOMOVIVE": "T"}]})";
constexpr const char* kVoucherSale =
    R"({"cdsMovi": [{"IDTIPOMOVIVE": "R", "IDTIPORECE": "5", "CDTIPORECE": "09"}],
        "cdsRecebimento": [{"CDTIPORECE": "09"}]})";

struct SettleCase {
    std::string name;
    std::string operation, state, body;
    std::optional<long long> before;
    std::optional<Counter> now;
    std::string outcome;
    std::optional<std::string> number = std::nullopt;
};

TEST(CutOffJob, IsSettledByTheCounterAndTheDocumentsKind) {
    const Counter at1000{1000, "SN1"}, at1001{1001, "SN1"}, at1003{1003, "SN1"}, other{1001, "SN2"};
    const std::vector<SettleCase> cases = {
        {"never started", "sale", kQueued, kCashSale, 1000, std::nullopt, kNotPrinted},
        {"prints nothing", "day-totals", kRunning, "{}", std::nullopt, std::nullopt, kNotPrinted},
        {"no counter of its own", "x", kRunning, "{}", 1000, at1001, kUnknown},
        {"counted", "sale", kRunning, kCashSale, 1000, at1001, kPrinted, "0000001001"},
        {"not counted", "sale", kRunning, kCashSale, 1000, at1000, kNotPrinted},
        {"a debit receipt", "sale", kRunning, kDebitSale, 1000, at1000, kUnknown},
        {"a voucher sale", "sale", kRunning, kVoucherSale, 1000, at1000, kUnknown},
        {"moved by two", "sale", kRunning, kCashSale, 1000, at1003, kUnknown},
        {"nothing known before", "sale", kRunning, kCashSale, std::nullopt, at1001, kUnknown},
        {"another printer", "sale", kRunning, kCashSale, 1000, other, kUnknown},
        {"counter unread", "sale", kRunning, kCashSale, 1000, std::nullopt, kUnknown},
    };
    for (const SettleCase& c : cases) {
        JobRecord job;
        job.operation = c.operation;
        job.body = c.body;
        job.state = c.state;
        job.counter_before = c.before;
        job.serial_before = "SN1";
        const Reconciliation r = Reconcile(job, c.now, "the printer did not answer");
        EXPECT_EQ(r.outcome, c.outcome) << c.name << ": " << r.reason;
        EXPECT_EQ(r.receipt_number, c.number) << c.name;
        EXPECT_FALSE(r.reason.empty()) << c.name;
    }
}

// Jobs beyond the bound are refused while one holds the line; the waiting
// ones are abandoned, not run, when the queue stops.
TEST(PrintQueueBound, RefusesBeyondItsLimitAndAbandonsTheWaitingOnStop) {
    std::promise<void> release;
    std::shared_future<void> released = release.get_future().share();
    std::promise<void> started;
    std::vector<std::string> ran, abandoned;
    PrintQueue queue(2, [&](Job& j) { abandoned.push_back(j.key()); });
    auto job = [&](const std::string& key, bool hold) {
        return std::make_shared<Job>(key, [&, key, hold](Job&) {
            ran.push_back(key);
            if (hold) started.set_value(), released.wait();
        });
    };
    ASSERT_TRUE(queue.push(job("a", true)));
    started.get_future().wait();
    EXPECT_EQ(queue.running(), "a");
    EXPECT_TRUE(queue.push(job("b", false)));
    EXPECT_TRUE(queue.push(job("c", false)));
    EXPECT_FALSE(queue.push(job("d", false))) << "two wait already";
    EXPECT_EQ(queue.waiting(), (std::vector<std::string>{"b", "c"}));
    std::thread stopper([&] { queue.stop(); });
    while (!queue.waiting().empty()) std::this_thread::yield();  // stop() took them
    release.set_value();
    stopper.join();
    EXPECT_EQ(ran, std::vector<std::string>{"a"});
    EXPECT_EQ(abandoned, (std::vector<std::string>{"b", "c"}));
}

// Made once with 128 random bits, its owner's only, and refused when others may read it.
TEST(ServiceAccess, TheTokenFile) {
    dru::test::TempFolder dir;
    const std::string token = LoadOrMakeToken(dir.path());
    EXPECT_EQ(token.size(), 32u);
    EXPECT_EQ(LoadOrMakeToken(dir.path()), token) << "made once, read after";
    struct stat st {};
    ASSERT_EQ(stat(dir.file(kTokenFile).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600);
    chmod(dir.file(kTokenFile).c_str(), 0644);
    EXPECT_THROW(LoadOrMakeToken(dir.path()), std::runtime_error) << "others could read it";
    const dru::test::TempFolder other;
    EXPECT_NE(LoadOrMakeToken(other.path()), token) << "random, not derived";
}

}  // namespace
}  // namespace dru::serve::test
