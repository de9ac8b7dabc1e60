// The service killed in the middle of a sale, against the printer simulator
// in another process: on the next start the job is cut off, settled by the
// printer's receipt counter, and its key's replay sends nothing.
#include <gtest/gtest.h>

#include <cctype>
#include <chrono>
#include <functional>
#include <thread>

#include "service_rig.h"
#include "support/child_process.h"

namespace dru::serve::test {
namespace {

using namespace std::chrono_literals;

// How long the test waits for a step of the other processes, at most.
constexpr auto kStepLimit = 20s;
constexpr auto kPoll = 20ms;

bool WaitFor(const std::function<bool()>& done) {
    for (auto end = std::chrono::steady_clock::now() + kStepLimit; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(kPoll))
        if (done()) return true;
    return false;
}

std::string Trimmed(std::string line) {
    while (!line.empty() && std::isspace(static_cast<unsigned char>(line.back()))) line.pop_back();
    return line;
}

// "listening on http://127.0.0.1:PORT (...)" -> PORT
int PortOf(const std::string& line) {
    const std::size_t colon = line.find(':', line.find("127.0.0.1"));
    return colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
}

TEST(PrintServiceCrash, ACutOffSaleIsSettledByTheCounterAndNeverPrintedAgain) {
    dru::test::TempFolder dir;
    const std::string data = dir.file("data"), paper = dir.file("paper.txt");
    dru::test::ChildProcess printer(DRU_SIM_PROGRAM, {"printer_sim"}, STDOUT_FILENO, paper);
    const std::string device = Trimmed(printer.line());
    ASSERT_FALSE(device.empty()) << "the simulator did not start";
    const std::vector<std::string> serve = {"dru", "serve", "--port", device, "--listen", "127.0.0.1:0",
                                            "--data-dir", data};
    std::string key = "crash-sale";
    {
        dru::test::ChildProcess service(DRU_TOOL_PROGRAM, serve, STDOUT_FILENO, dir.file("serve1.txt"));
        const std::string listening = service.line();
        const ServiceClient remote{PortOf(listening), FileText(data + "/token").substr(0, 32)};
        ASSERT_NE(remote.port, 0) << listening;
        // A till reads the counter at its start, so a sale's number can be vouched for.
        ASSERT_EQ(remote.post("receipt-number", "{}", "start-of-day").status, 200);
        ASSERT_EQ(remote.post("sale", Example("sale.json"), key, "?wait=0").status, 202);
        // Killed once the receipt's first item is on paper: mid-document.
        ASSERT_TRUE(WaitFor([&] { return FileText(paper).find("CAFE EXPRESO") != std::string::npos; }))
            << FileText(paper);
        service.stop(SIGKILL);
    }
    const bool counted = Count(FileText(paper), "FIN BOLETA") > 0;
    dru::test::ChildProcess restarted(DRU_TOOL_PROGRAM, serve, STDOUT_FILENO, dir.file("serve2.txt"));
    const std::string listening = restarted.line();
    const ServiceClient remote{PortOf(listening), FileText(data + "/token").substr(0, 32)};
    ASSERT_NE(remote.port, 0) << listening << FileText(dir.file("serve2.txt"));
    const Reply job = remote.get("/v1/jobs/" + key);
    EXPECT_EQ(job.body["job"]["state"], "cut off") << job.body.dump();
    EXPECT_EQ(job.body["job"]["outcome"], counted ? "printed" : "not printed") << job.body.dump();
    EXPECT_NE(job.body["job"]["reason"].get<std::string>().find("counter"), std::string::npos);

    const std::string log_before = FileText(data + "/ANALISA_ERRO.txt"), paper_before = FileText(paper);
    const Reply replay = remote.post("sale", Example("sale.json"), key);
    EXPECT_EQ(replay.status, 200);
    EXPECT_EQ(replay.body["replay"], true);
    EXPECT_EQ(replay.body["outcome"], job.body["job"]["outcome"]);
    EXPECT_EQ(FileText(data + "/ANALISA_ERRO.txt"), log_before) << "nothing sent for the replay";
    EXPECT_EQ(FileText(paper), paper_before) << "nothing printed for the replay";
    restarted.stop(SIGTERM);
}

}  // namespace
}  // namespace dru::serve::test
