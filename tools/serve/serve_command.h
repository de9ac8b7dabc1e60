// `dru serve`: the print service from the command line.
#pragma once
#include "cli.h"

namespace dru::serve {

void AddServeCommand(CLI::App& app, cli::Program& program);

}  // namespace dru::serve
