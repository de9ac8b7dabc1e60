#include "serve_command.h"

#include <charconv>
#include <ostream>

#include <CLI/CLI.hpp>

#include "access.h"
#include "os_services.h"
#include "service.h"

namespace dru::serve {

namespace {

constexpr int kLastPort = 65535;

// "HOST:PORT" or "[V6]:PORT" into the options.
void ParseListen(const std::string& text, ServiceOptions& o) {
    const std::size_t colon = text.rfind(':');
    std::string host = colon == std::string::npos ? "" : text.substr(0, colon);
    if (host.size() > 1 && host.front() == '[' && host.back() == ']') host = host.substr(1, host.size() - 2);
    const std::string port = colon == std::string::npos ? "" : text.substr(colon + 1);
    int n = -1;
    const auto [end, ec] = std::from_chars(port.data(), port.data() + port.size(), n);
    if (host.empty() || ec != std::errc() || end != port.data() + port.size() || n < 0 || n > kLastPort)
        throw cli::UsageError("--listen takes HOST:PORT (127.0.0.1:8020; port 0: any free one), not \"" +
                              text + "\"");
    o.listen_host = host;
    o.listen_port = n;
}

int Serve(cli::Program& program, ServiceOptions options, const std::string& listen) {
    if (!listen.empty()) ParseListen(listen, options);
    options.printer = program.options;
    const os::StopSignals stop;  // before the service's threads start
    Service service(std::move(options));
    service.start();
    std::ostream& out = program.console.out;
    out << "listening on " << service.url() << " (token in " << service.data_dir() << "/"
        << kTokenFile << ")" << std::endl;
    stop.wait();
    program.console.err << "dru serve: stopping: the job on the line ends first\n";
    service.stop();
    return cli::kDone;
}

}  // namespace

void AddServeCommand(CLI::App& app, cli::Program& program) {
    CLI::App* sub = app.add_subcommand(
        "serve", "run the local print service: a JSON interface, a journal and a web console");
    auto options = std::make_shared<ServiceOptions>();
    auto listen = std::make_shared<std::string>();
    sub->add_option("--listen", *listen,
                    std::string("the address to listen on, HOST:PORT (default ") + kDefaultHost + ":" +
                        std::to_string(kDefaultPort) + ", loopback only)");
    sub->add_option("--data-dir", options->data_dir,
                    "the folder of the token, the journal and the debug log (default "
                    "$XDG_STATE_HOME/dru01000/serve or ~/.local/state/dru01000/serve)");
    sub->add_option("--origin", options->origins,
                    "a web page's origin given CORS access (http://till.example:3000); repeatable");
    sub->add_option("--allow-host", options->host_names,
                    "another name or address clients reach this machine by (with --listen on "
                    "another interface); repeatable");
    sub->add_option("--queue-limit", options->queue_limit,
                    "jobs that may wait for the printer (default " + std::to_string(kDefaultQueueLimit) + ")");
    sub->footer(cli::Example(
        "dru serve --port COM1 --listen 127.0.0.1:8020 --data-dir /var/lib/dru\n"
        "  curl -H \"Authorization: Bearer $(cat /var/lib/dru/token)\" -H \"Idempotency-Key: sale-0042\" \\\n"
        "       --data @examples/sale.json http://127.0.0.1:8020/v1/sale"));
    sub->callback([&program, options, listen] {
        program.action = [&program, options, listen] { return Serve(program, *options, *listen); };
    });
}

}  // namespace dru::serve
