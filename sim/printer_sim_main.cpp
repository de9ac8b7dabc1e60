// printer_sim: the printer model on a pseudo-terminal.
//
//   printer_sim [options]
//
// Prints the terminal's device path as its first line on stdout, then serves
// until SIGINT or SIGTERM (or, with --stop-at-eof, the end of stdin). Point
// the driver at it with DRU_PORT_COM1=<that path>. Paper lines go to stderr
// as they print.
#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <optional>
#include <string>
#include <system_error>

#include "host/clock.h"
#include "printer_model.h"
#include "pty_server.h"

namespace {

constexpr const char* kUsage =
    "usage: printer_sim [options]\n"
    "  --type 16|30          printer type (default 16)\n"
    "  --closed              start with the sales period closed\n"
    "  --training            training mode\n"
    "  --z N                 number of the last Z reduction (default 41)\n"
    "  --receipt N           number of the last receipt (default 1000)\n"
    "  --silent              answer nothing\n"
    "  --error CMD:NUM       answer error NUM to command CMD (repeatable)\n"
    "  --garbage TEXT        send TEXT instead of every reply\n"
    "  --partial N           send only the first N bytes of each reply\n"
    "  --one-byte            send one byte of each reply\n"
    "  --zero-at N           put a zero byte at offset N of each reply\n"
    "  --pad-to N            pad each reply to N bytes (4001: the longest the driver reads)\n"
    "  --late MS             send each reply MS milliseconds after its command\n"
    "  --z-width N           write the last Z number with leading zeros to N digits\n"
    "  --overdue TEXT        report TEXT as the overdue-Z indicator (field 48 of 481)\n"
    "  --only CMD            the reply-shaping options touch only replies to CMD\n"
    "  --hang-up-after N     hang up the line once N frames have arrived (printer unplugged)\n"
    "  --block-after N       take no more bytes once N frames have arrived (printer off line)\n"
    "  --trickle MS          send reply bytes one at a time, MS milliseconds apart\n"
    "  --stop-at-eof         also stop at the end of stdin (otherwise: SIGINT or SIGTERM)\n"
    "  --ignore-stdin        the default: stdin is not read\n"
    "  --quiet               do not echo the paper roll on stderr\n";

struct Options {
    dru::sim::PrinterConfig config;
    dru::sim::Knobs knobs;
    dru::sim::LineFaults line;
    std::optional<std::string> overdue;
    bool stop_at_eof = false;
    bool quiet = false;
};

[[noreturn]] void usage_error(const std::string& why) {
    std::cerr << "printer_sim: " << why << "\n" << kUsage;
    std::exit(2);
}

long number(const char* text, const char* option) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != '\0' || v < 0) usage_error(std::string("bad number for ") + option);
    return v;
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) usage_error(a + " needs a value");
            return argv[++i];
        };
        if (a == "--type") {
            o.config.type = static_cast<int>(number(value(), "--type"));
            if (o.config.type != 16 && o.config.type != 30) usage_error("--type is 16 or 30");
        } else if (a == "--closed") {
            o.config.sales_period_open = false;
        } else if (a == "--training") {
            o.config.training = true;
        } else if (a == "--z") {
            o.config.z_count = static_cast<int>(number(value(), "--z"));
        } else if (a == "--receipt") {
            o.config.receipt_count = static_cast<int>(number(value(), "--receipt"));
        } else if (a == "--silent") {
            o.knobs.silent = true;
        } else if (a == "--error") {
            const std::string v = value();
            const auto colon = v.find(':');
            if (colon == std::string::npos || colon == 0) usage_error("--error wants CMD:NUM");
            o.knobs.errors[v.substr(0, colon)] = static_cast<int>(number(v.c_str() + colon + 1, "--error"));
        } else if (a == "--garbage") {
            o.knobs.garbage = value();
        } else if (a == "--partial") {
            o.knobs.partial = static_cast<std::size_t>(number(value(), "--partial"));
        } else if (a == "--one-byte") {
            o.knobs.partial = 1;
        } else if (a == "--zero-at") {
            o.knobs.zero_at = static_cast<std::size_t>(number(value(), "--zero-at"));
        } else if (a == "--pad-to") {
            o.knobs.pad_to = static_cast<std::size_t>(number(value(), "--pad-to"));
        } else if (a == "--late") {
            o.knobs.late_ms = static_cast<int>(number(value(), "--late"));
        } else if (a == "--z-width") {
            o.knobs.z_number_width = static_cast<int>(number(value(), "--z-width"));
        } else if (a == "--overdue") {
            o.overdue = value();
        } else if (a == "--only") {
            o.knobs.only_command = value();
        } else if (a == "--hang-up-after") {
            o.line.hang_up_after_frames = static_cast<std::size_t>(number(value(), "--hang-up-after"));
        } else if (a == "--block-after") {
            o.line.block_writes_after_frames = static_cast<std::size_t>(number(value(), "--block-after"));
        } else if (a == "--trickle") {
            o.line.trickle_ms = static_cast<int>(number(value(), "--trickle"));
        } else if (a == "--stop-at-eof") {
            o.stop_at_eof = true;
        } else if (a == "--ignore-stdin") {
            o.stop_at_eof = false;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--help" || a == "-h") {
            std::cout << kUsage;
            std::exit(0);
        } else {
            usage_error("unknown option " + a);
        }
    }
    return o;
}

// Blocks until SIGINT or SIGTERM arrives, or (when watched) stdin ends.
void wait_for_stop(bool watch_stdin) {
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    const int sfd = signalfd(-1, &set, SFD_CLOEXEC);
    if (sfd < 0) return;
    pollfd fds[2] = {{sfd, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
    for (;;) {
        const int r = poll(fds, watch_stdin ? 2 : 1, -1);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 || fds[0].revents != 0) break;
        if (watch_stdin && fds[1].revents != 0) {
            char buf[256];
            const ssize_t n = read(STDIN_FILENO, buf, sizeof buf);
            if (n <= 0) break;  // end of stdin
        }
    }
    close(sfd);
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    // Signals are taken through a descriptor, on this thread only: block them
    // before the server thread starts, so it inherits the mask.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);

    dru::RealClock clock;
    dru::sim::PrinterModel model(clock, options.config);
    model.knobs() = options.knobs;
    model.set_overdue_indicator(options.overdue);
    try {
        dru::sim::PtyServer server(model);
        server.set_faults(options.line);
        if (!options.quiet) {
            server.on_paper([](const dru::sim::PaperLine& line) {
                std::fprintf(stderr, "%s%s\n", line.style ? ("[" + std::to_string(line.style) + "] ").c_str() : "",
                             line.text.c_str());
            });
        }
        std::printf("%s\n", server.device_path().c_str());
        std::fflush(stdout);
        wait_for_stop(options.stop_at_eof);
    } catch (const std::system_error& e) {
        std::fprintf(stderr, "printer_sim: no pseudo-terminal: %s\n", e.what());
        return 1;
    }
    return 0;
}
