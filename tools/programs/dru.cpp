// dru: every operation of the fiscal-printer driver from a terminal, on a
// printer, on the simulator in real time, or as an instant preview; and
// `dru serve`, the print service on top of them.
//
//   dru [--port COMn|DEVICE] [--preview] [--json] [--yes|--no] SUBCOMMAND ...
//
// The operations are called through dru01000.h as a host calls them. The
// simulator and, for --preview, the virtual clock and the simulated port are
// wired through the static archive's internals, in target.h and target.cpp
// only (the module state's clock and port stand-ins).
#include <unistd.h>

#include <iostream>
#include <string>
#include <vector>

#include "cli.h"
#include "serve_command.h"

int main(int argc, char** argv) {
    dru::cli::Console console{std::cin, std::cout, std::cerr,
                              isatty(STDIN_FILENO) && isatty(STDERR_FILENO),
                              isatty(STDERR_FILENO) != 0};
    return dru::cli::Run(std::vector<std::string>(argv + 1, argv + argc), console,
                         {dru::serve::AddServeCommand});
}
