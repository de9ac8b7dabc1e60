// A program as a process of its own, one of its outputs (`fd`) read through
// a pipe, its standard error into a file when one is named.
#pragma once
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

namespace dru::test {

class ChildProcess {
  public:
    // `args` begins with the name the program is given (argv[0]).
    ChildProcess(const std::string& program, const std::vector<std::string>& args, int fd,
                 const std::string& stderr_file = "") {
        std::vector<char*> argv;  // made before the fork
        for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        const int err = stderr_file.empty()
                            ? -1
                            : open(stderr_file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        int out[2];
        if (pipe(out) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], fd);
            if (err >= 0) dup2(err, STDERR_FILENO);
            close(out[0]);
            execv(program.c_str(), argv.data());
            _exit(127);
        }
        if (err >= 0) close(err);
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
    int stop(int signal) {
        std::string ignored;
        return stop(signal, ignored);
    }
    ~ChildProcess() {
        if (pid_ > 0) stop(SIGTERM);
        if (out_) fclose(out_);
    }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

  private:
    pid_t pid_ = -1;
    FILE* out_ = nullptr;
};

}  // namespace dru::test
