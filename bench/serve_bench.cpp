// What the print service costs on top of the driver, and how quickly it
// answers while a document prints. Both on an in-process dru::serve::Service
// over real HTTP on loopback (httplib::Client, a new connection per request,
// as a till that posts one document and goes); reported, never asserted.
//
// Serve/AddedToASale: examples/sale.json run directly as `dru --preview
//   --json sale` runs it (cli::Run in this process: input checked, the
//   simulator on the virtual clock, the report made), and posted to
//   POST /v1/sale on a service with --preview (the same simulator and clock,
//   listening on a free port, its journal in a temporary data folder); the
//   two alternate, each iteration kSalesPerBlock of each, so a shared
//   machine's load falls on both alike. Counters:
//     driver_ms, service_ms        the mean wall time of each;
//     added_ms                     service_ms - driver_ms (goal: under 5 ms);
//     driver_median_ms, service_median_ms, added_median_ms  the same on the
//                                  medians, which a burst of load moves less.
//     sales                        how many of each.
//   The data folders are temporary ones: TMPDIR=/dev/shm puts them on tmpfs,
//   which takes the disk's flushes (the journal's commits) out of the figure.
//
// Serve/StatusWhileASalePrints: a service on the embedded simulator in real
//   time (a pseudo-terminal, the sale's 7.5 s of pauses and time-outs), a
//   sale posted from one thread and GET /v1/status asked from this one, one
//   query every kStatusGap, for as long as the sale runs. Only the answers
//   that show the sale running count. Counters: p50_ms, p99_ms (goal: under
//   10 ms), max_ms, samples, and over_10ms, the samples slower than the goal.
#include <benchmark/benchmark.h>
#include <httplib.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <numeric>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "../tests/support/temp_folder.h"
#include "cli.h"
#include "service.h"

namespace {

using Clock = std::chrono::steady_clock;
using dru::test::TempFolder;

const std::string kSaleFile = std::string(DRU_EXAMPLES_DIR) + "/sale.json";
// A real-time sale lasts about 7.5 s; the client's default read time-out is 5 s.
constexpr auto kSaleReadTimeout = std::chrono::seconds(120);
// The status query's goal, in ms: the answers slower than it are counted.
constexpr double kStatusGoalMs = 10;
// Direct sales, then as many posted, per iteration.
constexpr int kSalesPerBlock = 10;
// Between two status queries: a console polling hard, leaving the core to others.
constexpr auto kStatusGap = std::chrono::milliseconds(1);

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

double Mean(const std::vector<double>& v) {
    return v.empty() ? 0 : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

// The value at fraction `q` of the sorted samples (nearest rank).
double Quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const auto rank = static_cast<std::size_t>(q * static_cast<double>(v.size()) + 0.999999);
    return v[std::clamp<std::size_t>(rank, 1, v.size()) - 1];
}

// A service on a free loopback port, its data in `data_dir`.
struct RunningService {
    RunningService(bool preview, const std::string& data_dir) {
        dru::serve::ServiceOptions options;
        options.printer.preview = preview;
        options.listen_port = 0;
        options.data_dir = data_dir;
        service = std::make_unique<dru::serve::Service>(std::move(options));
        port = service->start();
        auth = {{"Authorization", "Bearer " + service->token()}};
    }
    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(kSaleReadTimeout);
        return c;
    }
    // POST /v1/sale with a fresh key; true when the sale was printed.
    bool post_sale(const std::string& body, int number) const {
        httplib::Headers headers = auth;
        headers.emplace("Idempotency-Key", "bench-sale-" + std::to_string(number));
        const auto answer = client().Post("/v1/sale", headers, body, "application/json");
        return answer && answer->status == 200 &&
               nlohmann::json::parse(answer->body, nullptr, false).value("exit_code", -1) == 0;
    }

    std::unique_ptr<dru::serve::Service> service;
    int port = 0;
    httplib::Headers auth;
};

// The sale as dru runs it with --preview --json; true when it was printed.
bool DirectSale(const std::string& host_folder) {
    std::istringstream in;
    std::ostringstream out, err;
    dru::cli::Console console{in, out, err};
    return dru::cli::Run({"--preview", "--json", "--host-folder", host_folder, "sale", kSaleFile},
                         console) == dru::cli::kDone;
}

// The driver's module state (its clock and port stand-ins) is one per
// process, set by the printer a run or a service holds while it lives: a
// direct run ending puts back the real clock under a service that set the
// virtual one. So each iteration runs its direct sales first, then starts a
// service on the same data folder for its posts, and stops it after.
void AddedToASale(benchmark::State& state) {
    const std::string body = ReadFile(kSaleFile);
    TempFolder host, data;
    std::vector<double> driver, service;
    int number = 0;
    for (auto _ : state) {
        for (int i = 0; i < kSalesPerBlock; ++i) {
            const auto start = Clock::now();
            if (!DirectSale(host.path())) state.SkipWithError("dru refused the sale");
            driver.push_back(MsSince(start));
        }
        RunningService served(true, data.path());
        for (int i = 0; i < kSalesPerBlock; ++i) {
            const auto start = Clock::now();
            if (!served.post_sale(body, ++number)) state.SkipWithError("the service refused the sale");
            service.push_back(MsSince(start));
        }
    }
    state.counters["sales"] = static_cast<double>(service.size());
    state.counters["driver_ms"] = Mean(driver);
    state.counters["service_ms"] = Mean(service);
    state.counters["added_ms"] = Mean(service) - Mean(driver);
    state.counters["driver_median_ms"] = Quantile(driver, 0.5);
    state.counters["service_median_ms"] = Quantile(service, 0.5);
    state.counters["added_median_ms"] = Quantile(service, 0.5) - Quantile(driver, 0.5);
}

// One status query: its wall time, and whether it showed a job running.
struct StatusSample {
    bool ok = false, running = false;
    double ms = 0;
};
StatusSample AskStatus(httplib::Client& client, const httplib::Headers& auth) {
    const auto start = Clock::now();
    const auto answer = client.Get("/v1/status", auth);
    StatusSample s;
    s.ms = MsSince(start);
    s.ok = answer && answer->status == 200;
    if (s.ok) {
        const auto status = nlohmann::json::parse(answer->body, nullptr, false);
        s.running = status.is_object() && !status["queue"]["running"].is_null();
    }
    return s;
}

void StatusWhileASalePrints(benchmark::State& state) {
    const std::string body = ReadFile(kSaleFile);
    TempFolder data;
    RunningService served(false, data.path());
    std::vector<double> latencies;
    int number = 0;
    for (auto _ : state) {
        std::atomic<bool> ended{false};
        bool printed = false;
        std::thread seller([&] {
            printed = served.post_sale(body, ++number);
            ended = true;
        });
        httplib::Client client = served.client();
        while (!ended) {
            const StatusSample s = AskStatus(client, served.auth);
            if (!s.ok) {
                state.SkipWithError("the status query failed");
                break;
            }
            if (s.running) latencies.push_back(s.ms);
            std::this_thread::sleep_for(kStatusGap);
        }
        seller.join();
        if (!printed) state.SkipWithError("the service refused the sale");
    }
    state.counters["p50_ms"] = Quantile(latencies, 0.5);
    state.counters["p99_ms"] = Quantile(latencies, 0.99);
    state.counters["max_ms"] = latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());
    state.counters["samples"] = static_cast<double>(latencies.size());
    state.counters["over_10ms"] = static_cast<double>(
        std::count_if(latencies.begin(), latencies.end(), [](double ms) { return ms > kStatusGoalMs; }));
}

}  // namespace

BENCHMARK(AddedToASale)
    ->Name("Serve/AddedToASale")
    ->UseRealTime()
    ->Iterations(10)
    ->Unit(benchmark::kMillisecond);
BENCHMARK(StatusWhileASalePrints)
    ->Name("Serve/StatusWhileASalePrints")
    ->UseRealTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
