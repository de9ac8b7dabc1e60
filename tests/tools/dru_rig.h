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
class DruProcess {
  public:
    DruProcess(const std::vector<std::string>& args, int fd) {
        std::vector<char*> argv{const_cast<char*>("dru")};  // made before the fork
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], fd);
            close(out[0]);
            execv(DRU_TOOL_PROGRAM, argv.data());
            _exit(127);
        }
        close(out[1]);
        out_ = fdopen(out[0], "r");
    }
    std::string line() {
        char l[256] = {};
        return out_ && std::fgets(l, sizeof l, out_) ? l : "";
    }
    bool running() {
        int status = 0;
        if (pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0) return true;
        pid_ = -1;
        return false;
    }
    // `signal`, then the rest of what it said; its wait status.
    int stop(int signal, std::string& said) {
        if (pid_ > 0) kill(pid_, signal);
        for (std::string l; !(l = line()).empty();) said += l;
        int status = 0;
        if (pid_ > 0) waitpid(pid_, &status, 0);
        pid_ = -1;
        return status;
    }
    ~DruProcess() {
        std::string ignored;
        if (pid_ > 0) stop(SIGTERM, ignored);
        if (out_) fclose(out_);
    }

  private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
};

}  // namespace dru::test
