// Runs dru in this process as a terminal would, with its output captured:
// each run gets its own host folder; a printer of the test's own on a
// pseudo-terminal shows what reached the wire.
#pragma once
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include "cli.h"
#include "host/clock.h"
#include "json_input.h"
#include "printer_model.h"
#include "pty_server.h"
#include "support/child_process.h"
#include "support/temp_folder.h"

namespace dru::test {

struct DruRun {
    int code = -1;
    std::string out, err;
    cli::Json json() const { return cli::Json::parse(out); }
};

class DruRig : public ::testing::Test {
  protected:
    // dru with `args`, the host folder added; `input` is what the operator
    // types. With `terminal` the operator sits at a terminal; with
    // `bar_terminal` stderr is one too (the progress bar's).
    DruRun Dru(std::vector<std::string> args, const std::string& input = "", bool terminal = false,
               bool bar_terminal = false) {
        args.insert(args.begin(), {"--host-folder", folder.path()});
        std::istringstream in(input);
        std::ostringstream out, err;
        cli::Console console{in, out, err, terminal, bar_terminal};
        DruRun run;
        run.code = cli::Run(args, console);
        run.out = out.str();
        run.err = err.str();
        return run;
    }
    // A run with --preview --json, parsed.
    cli::Json Preview(std::vector<std::string> args, int expected_code = 0) {
        args.insert(args.begin(), {"--preview", "--json"});
        const DruRun run = Dru(args);
        EXPECT_EQ(run.code, expected_code) << run.out << run.err;
        return run.json();
    }
    static std::string Example(const std::string& name) {
        return std::string(DRU_EXAMPLES_DIR) + "/" + name;
    }
    // A file in the host folder with `text`.
    std::string File(const std::string& name, const std::string& text) {
        std::ofstream(folder.file(name), std::ios::binary) << text;
        return folder.file(name);
    }

    TempFolder folder;
};

// A printer of the test's own on a pseudo-terminal, in real time.
class WirePrinter {
  public:
    WirePrinter() {
        try {
            server_ = std::make_unique<sim::PtyServer>(model_);
        } catch (const std::system_error&) {
        }
    }
    bool ready() const { return server_ != nullptr; }
    const std::string& device() const { return server_->device_path(); }
    std::vector<std::string> frames() {
        std::vector<std::string> f;
        server_->with_model([&](sim::PrinterModel& m) { f = m.frames(); });
        return f;
    }
    void silence() {
        server_->with_model([](sim::PrinterModel& m) { m.knobs().silent = true; });
    }

  private:
    RealClock clock_;
    sim::PrinterModel model_{clock_};
    std::unique_ptr<sim::PtyServer> server_;
};

// dru as a process of its own, one of its outputs (`fd`) read through a pipe.
struct DruProcess : ChildProcess {
    DruProcess(std::vector<std::string> args, int fd)
        : ChildProcess(DRU_TOOL_PROGRAM, (args.insert(args.begin(), "dru"), args), fd) {}
};

}  // namespace dru::test
