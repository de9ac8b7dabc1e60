// The service killed in the middle of a sale, against the printer simulator
// in another process: on the next start the job is cut off, settled by the
// printer's receipt counter, and its key's replay sends nothing.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "service_rig.h"

namespace dru::serve::test {
namespace {

using namespace std::chrono_literals;

// How long the test waits for a step of the other processes, at most.
constexpr auto kStepLimit = 20s;
constexpr auto kPoll = 20ms;

std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; ++at) ++n;
    return n;
}

bool WaitFor(const std::function<bool()>& done) {
    for (auto end = std::chrono::steady_clock::now() + kStepLimit; std::chrono::steady_clock::now() < end;
         std::this_thread::sleep_for(kPoll))
        if (done()) return true;
    return false;
}

// A program started with its stdout on a pipe (its first line read) and its
// stderr in a file; killed at the end if still running.
class Child {
  public:
    Child(std::vector<std::string> args, const std::string& stderr_file) {
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], STDOUT_FILENO);
            const int err = open(stderr_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(err, STDERR_FILENO);
            close(out[0]);
            close(out[1]);
            std::vector<char*> argv;
            for (std::string& a : args) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        char c = 0;
        while (read(out[0], &c, 1) == 1 && c != '\n') first_line_ += c;
        close(out[0]);
    }
    ~Child() { stop(SIGKILL); }
    const std::string& first_line() const { return first_line_; }
    void stop(int signal) {
        if (pid_ <= 0) return;
        kill(pid_, signal);
        waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }

  private:
    pid_t pid_ = -1;
    std::string first_line_;
};

// "listening on http://127.0.0.1:PORT (...)" -> PORT
int PortOf(const std::string& line) {
    const std::size_t colon = line.find(':', line.find("127.0.0.1"));
    return colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
}

TEST(PrintServiceCrash, ACutOffSaleIsSettledByTheCounterAndNeverPrintedAgain) {
    dru::test::TempFolder dir;
    const std::string data = dir.file("data"), paper = dir.file("paper.txt");
    Child printer({DRU_SIM_PROGRAM}, paper);
    const std::string device = printer.first_line();
    ASSERT_FALSE(device.empty()) << "the simulator did not start";
    const std::vector<std::string> serve = {DRU_TOOL_PROGRAM, "serve", "--port", device, "--listen",
                                            "127.0.0.1:0", "--data-dir", data};
    std::string key = "crash-sale";
    {
        Child service(serve, dir.file("serve1.txt"));
        const ServiceClient remote{PortOf(service.first_line()), FileText(data + "/token").substr(0, 32)};
        ASSERT_NE(remote.port, 0) << service.first_line();
        // A till reads the counter at its start, so a sale's number can be vouched for.
        ASSERT_EQ(remote.post("receipt-number", "{}", "start-of-day").status, 200);
        ASSERT_EQ(remote.post("sale", Example("sale.json"), key, "?wait=0").status, 202);
        // Killed once the receipt's first item is on paper: mid-document.
        ASSERT_TRUE(WaitFor([&] { return FileText(paper).find("CAFE EXPRESO") != std::string::npos; }))
            << FileText(paper);
        service.stop(SIGKILL);
    }
    const bool counted = Count(FileText(paper), "FIN BOLETA") > 0;
    Child restarted(serve, dir.file("serve2.txt"));
    const ServiceClient remote{PortOf(restarted.first_line()), FileText(data + "/token").substr(0, 32)};
    ASSERT_NE(remote.port, 0) << restarted.first_line() << FileText(dir.file("serve2.txt"));
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
