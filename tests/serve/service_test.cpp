// The service over HTTP: every operation, the exactly-once rules, and who
// may ask.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <set>
#include <thread>
#include <vector>

#include "http_api.h"
#include "operations.h"
#include "serve_command.h"
#include "service_rig.h"

namespace dru::serve::test {
namespace {

// One request written as it is; what the service answers until it closes.
std::string RawExchange(int port, const std::string& request) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const timeval limit{.tv_sec = 30, .tv_usec = 0};  // a hung service fails the test
    setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    sockaddr_in to{.sin_family = AF_INET, .sin_port = htons(static_cast<std::uint16_t>(port))};
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    std::string reply;
    if (connect(fd, reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0) {
        send(fd, request.data(), request.size(), MSG_NOSIGNAL);  // it may answer before reading all
        char chunk[4096];
        for (ssize_t n; (n = read(fd, chunk, sizeof chunk)) > 0;) reply.append(chunk, static_cast<std::size_t>(n));
    }
    close(fd);
    return reply;
}

struct OperationCase {
    std::string operation;
    std::string body;
    std::string verdict;  // the verdict's kind
};

// Each operation with a body it takes, on the simulator.
TEST(PrintService, RunsEveryOperationOfDru) {
    dru::test::TempFolder dir;
    ServiceRig rig(dir.path());
    const Reply status = rig.get("/v1/status");
    EXPECT_EQ(status.body["printer"]["simulator"], true);
    EXPECT_EQ(status.body["printer"]["last_receipt_number"], "0000001001");
    EXPECT_EQ(status.body["queue"]["limit"], kDefaultQueueLimit);
    EXPECT_EQ(status.body["service"]["version"], dru_version());
    EXPECT_EQ(rig.get("/v1/openapi.json").body["openapi"], "3.0.3");
    const std::vector<OperationCase> cases = {
        {"receipt-number", "", "confirmed"},
        {"sale", Example("sale.json"), "confirmed"},
        {"bill", Example("bill.json"), "confirmed"},
        {"supply", R"({"amount": 20000})", "confirmed"},
        {"withdrawal", R"({"amount": "1500.50"})", "confirmed"},
        {"product-report", Example("product_report.json"), "confirmed"},
        {"credit-voucher", Example("credit_voucher.json"), "unconfirmed"},  // never read back
        {"start", "{}", "confirmed"},
        {"printer-data", "{}", "confirmed"},
        {"date-check", R"({"write-config": true})", "confirmed"},
        {"drawer", "{}", "confirmed"},
        {"x", "{}", "confirmed"},
        {"payment-types", Example("payment_types.json"), "confirmed"},
        {"day-totals", "{}", "confirmed"},
        {"closing", Example("closing.json").replace(1, 0, R"("answers": ["n", "y"], )"),
         "confirmed"},
        {"z", R"({"confirm": true})", "confirmed"},
    };
    // After the Z the sales period is closed: the X reading opens it and is
    // sent again, and the printer takes it.
    const OperationCase x_after_z = {"x", "{}", "confirmed"};
    EXPECT_EQ(cases.size(), cli::OperationNames().size());
    for (const OperationCase& c : cases) {
        const Reply r = rig.post(c.operation, c.body, "k-" + c.operation);
        ASSERT_EQ(r.status, 200) << c.operation << ": " << r.body.dump();
        EXPECT_EQ(r.body["command"], c.operation);
        EXPECT_EQ(r.body["verdict"]["kind"], c.verdict)
            << c.operation << ": " << r.body["verdict"].dump();
        EXPECT_EQ(r.body["job"]["key"], "k-" + c.operation);
        EXPECT_EQ(r.body["job"]["state"], "done");
        EXPECT_EQ(r.body["replay"], false);
    }
    const Reply x = rig.post(x_after_z.operation, x_after_z.body, "x-after-z");
    EXPECT_EQ(x.body["verdict"]["kind"], x_after_z.verdict) << x.body["verdict"].dump();
    const Reply sale = rig.get("/v1/jobs/k-sale");
    EXPECT_EQ(sale.body["job"]["receipt_number"], "0000001002");
    EXPECT_EQ(sale.body["answer"]["receipt_number"], "0000001002");
    const Reply closing = rig.get("/v1/jobs/k-closing");
    EXPECT_EQ(closing.body["answer"]["outputs"]["boReduziu"], true)
        << "the second answer confirmed the Z";
    const Reply jobs = rig.get("/v1/jobs?limit=3");
    ASSERT_EQ(jobs.body["jobs"].size(), 3u);
    EXPECT_EQ(jobs.body["jobs"][0]["key"], "x-after-z") << "newest first";
}

// The same key and body: the recorded answer, nothing printed again, also
// after a restart; another body or operation under the key: 409.
TEST(PrintService, AKeyPrintsOnceAndReplaysItsAnswer) {
    dru::test::TempFolder dir;
    const std::string sale = Example("sale.json");
    Json reordered = Json::parse(sale);
    reordered = Json(nlohmann::json(reordered));  // the same members, another order
    {
        ServiceRig rig(dir.path());
        const Reply first = rig.post("sale", sale, "sale-0042");
        ASSERT_EQ(first.status, 200);
        const Reply again = rig.post("sale", reordered.dump(), "sale-0042");
        EXPECT_EQ(again.status, 200);
        EXPECT_EQ(again.body["replay"], true);
        EXPECT_EQ(again.body["receipt_number"], first.body["receipt_number"]);
        EXPECT_EQ(again.body["job"], first.body["job"])
            << "the first answer's job is the journal's";
        EXPECT_TRUE(first.body["job"]["started_at"].is_string());
        EXPECT_EQ(rig.receipts_on_paper(), 2) << "the day's first sale and this one";
        EXPECT_EQ(rig.post("sale", R"({"cdsVendas": [], "cdsMovi": []})", "sale-0042").status, 409);
        EXPECT_EQ(rig.post("x", "{}", "sale-0042").status, 409);
    }
    ServiceRig restarted(dir.path());
    const Reply replay = restarted.post("sale", sale, "sale-0042");
    EXPECT_EQ(replay.status, 200);
    EXPECT_EQ(replay.body["replay"], true);
    EXPECT_EQ(replay.body["receipt_number"], "0000001002");
    EXPECT_EQ(restarted.receipts_on_paper(), 1) << "only the restarted simulator's own first sale";
}

// At once: ten clients with one key (one print, one number for all) and
// fifty with keys of their own (each printed once, consecutive numbers).
TEST(PrintService, ClientsAtOncePrintEachKeyOnce) {
    dru::test::TempFolder dir;
    ServiceRig rig(dir.path());  // the default queue holds them all
    const std::string sale = Example("sale.json");
    std::vector<Reply> same(10), own(50);
    std::vector<std::thread> clients;
    for (Reply& r : same) clients.emplace_back([&] { r = rig.post("sale", sale, "same-key"); });
    for (std::size_t i = 0; i < own.size(); ++i)
        clients.emplace_back([&, i] { own[i] = rig.post("sale", sale, "sale-" + std::to_string(i)); });
    for (std::thread& t : clients) t.join();
    std::set<std::string> numbers;
    int first = 0;
    for (const Reply& r : same) {
        EXPECT_EQ(r.body["receipt_number"], same[0].body["receipt_number"]) << r.body.dump();
        first += r.body["replay"] == false;
    }
    EXPECT_EQ(first, 1);
    for (const Reply& r : own) {
        EXPECT_EQ(r.body["verdict"]["kind"], "confirmed") << r.body.dump();
        numbers.insert(r.body.value("receipt_number", ""));
    }
    numbers.insert(same[0].body.value("receipt_number", ""));
    ASSERT_EQ(numbers.size(), 51u);
    EXPECT_EQ(*numbers.begin(), "0000001002");
    EXPECT_EQ(*numbers.rbegin(), "0000001052");
    EXPECT_EQ(rig.receipts_on_paper(), 52);
}

// While a sale prints in real time: the status and journal answer, one job
// waits, and the next is refused with Retry-After (the queue holds one).
TEST(PrintService, AnswersQueriesAndBoundsTheQueueWhileASalePrints) {
    dru::test::TempFolder dir;
    ServiceRig rig(dir.path(), {.queue_limit = 1}, /*preview=*/false);
    const Reply accepted = rig.post("sale", Example("sale.json"), "first", "?wait=0");
    ASSERT_EQ(accepted.status, 202);
    EXPECT_EQ(accepted.body["job"]["key"], "first");
    for (int i = 0; i < 1000 && rig.get("/v1/status").body["queue"]["running"].is_null(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_EQ(rig.post("x", "{}", "second", "?wait=0").status, 202);
    const Reply full = rig.post("x", "{}", "third");
    EXPECT_EQ(full.status, 503) << full.body.dump();
    EXPECT_EQ(full.headers.count("Retry-After"), 1u);
    const Reply status = rig.get("/v1/status");
    EXPECT_EQ(status.body["queue"]["running"]["key"], "first") << status.body.dump();
    EXPECT_EQ(status.body["queue"]["queued"][0]["key"], "second");
    EXPECT_EQ(rig.get("/v1/jobs?limit=5").body["jobs"].size(), 2u) << "the refused one left no row";
    const Reply second = rig.post("x", "{}", "second");  // waits for it
    EXPECT_EQ(second.body["verdict"]["kind"], "confirmed");
    EXPECT_EQ(second.body["replay"], true) << "the same key again: the one job's answer";
    const Reply first = rig.get("/v1/jobs/first");  // polled after it ended
    EXPECT_EQ(first.body["job"]["receipt_number"], "0000001002");
    EXPECT_EQ(first.body["answer"]["verdict"]["kind"], "confirmed");
}

struct RequestCase {
    std::string name;
    std::string method, path;
    httplib::Headers headers;  // besides a good token, unless "Authorization" is given
    std::string body;
    int status;
    std::string error_part = "";  // in the error text
    std::string path_in_error = "";
    std::pair<std::string, std::string> header = {};  // its value holds this; "": absent
};

constexpr const char* kTill = "http://till.example:3000";

// Who may ask (token, Host, Origin and CORS, the console's headers), and the
// answers to bad requests: JSON, with dru's texts.
TEST(PrintService, RefusesWhatItMustWithJsonErrors) {
    dru::test::TempFolder dir;
    ServiceRig rig(dir.path(), {.origins = {kTill}});
    const std::string port = std::to_string(rig.port);
    const std::string big(kMaxBody + 1, ' ');
    const std::string deep = std::string(100000, '[') + std::string(100000, ']');
    // clang-format off
    const std::vector<RequestCase> cases = {
        {"no token", "GET", "/v1/status", {{"Authorization", ""}}, "", 401, "token"},
        {"wrong token", "GET", "/v1/status", {{"Authorization", "Bearer 0123"}}, "", 401},
        {"another host", "GET", "/v1/status", {{"Host", "evil.example:" + port}}, "", 403, "Host"},
        {"localhost", "GET", "/v1/status", {{"Host", "LOCALHOST:" + port}}, "", 200, "", "", {"Access-Control-Allow-Origin", ""}},
        {"its address", "GET", "/v1/status", {{"Host", "127.0.0.1"}}, "", 200},
        {"another port", "GET", "/v1/status", {{"Host", "127.0.0.1:1" + port}}, "", 403},
        {"a longer name", "GET", "/v1/status", {{"Host", "localhost.evil.example"}}, "", 403},
        {"another origin", "POST", "/v1/x", {{"Origin", "http://evil.example"}}, "{}", 403},
        {"its own page", "POST", "/v1/x", {{"Origin", "http://127.0.0.1:" + port}}, "{}", 200},
        {"a configured origin", "GET", "/v1/status", {{"Origin", kTill}}, "", 200, "", "", {"Access-Control-Allow-Origin", kTill}},
        {"its preflight", "OPTIONS", "/v1/sale", {{"Origin", kTill}, {"Access-Control-Request-Method", "POST"}}, "", 204,
         "", "", {"Access-Control-Allow-Headers", "Idempotency-Key"}},
        {"another's preflight", "OPTIONS", "/v1/sale", {{"Origin", "http://evil.example"}}, "", 403, "", "",
         {"Access-Control-Allow-Origin", ""}},
        {"the console", "GET", "/", {}, "", 200, "", "", {"Content-Security-Policy", "connect-src 'self'"}},
        {"not in a frame", "GET", "/index.html", {}, "", 200, "", "", {"X-Frame-Options", "DENY"}},
        {"too large", "POST", "/v1/sale", {}, big, 413, "1 MiB"},
        {"not JSON", "POST", "/v1/sale", {}, "{\"cdsVendas\": [", 400, "line 1"},
        {"nested deep", "POST", "/v1/x", {}, R"({"answers": )" + deep + "}", 400, "nested deeper"},
        {"sent as a form", "POST", "/v1/x", {{"Content-Type", "application/x-www-form-urlencoded"}},
         R"({"answers": ["n"], "x": 1})" + std::string(10000, ' '), 400, "unknown key", "$.x"},
        {"a form", "POST", "/v1/x", {{"Content-Type", "multipart/form-data; boundary=b"}},
         "--b\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n{}\r\n--b--\r\n", 415, "not a form"},
        {"a field", "POST", "/v1/sale", {}, R"({"cdsVendas": [{"NMPRODUTO": 5}], "cdsMovi": []})", 400,
         "expected a text", "$.cdsVendas[0].NMPRODUTO"},
        {"negative", "POST", "/v1/supply", {}, R"({"amount": -5})", 400, "negative", "$.amount"},
        {"unanswerable", "POST", "/v1/closing", {}, R"({"answers": ["maybe"]})", 400, "", "$.answers[0]"},
        {"a bad key", "POST", "/v1/x", {{"Idempotency-Key", "no spaces"}}, "{}", 400, "Idempotency-Key"},
        {"a long key", "POST", "/v1/x", {{"Idempotency-Key", std::string(129, 'k')}}, "{}", 400},
        {"no such path", "GET", "/v1/nothing", {}, "", 404},
        {"no such job", "GET", "/v1/jobs/none", {}, "", 404},
        {"an operation read", "GET", "/v1/sale", {}, "", 405},
        {"a query written", "POST", "/v1/status", {}, "{}", 405},
        {"a bad limit", "GET", "/v1/jobs?limit=0", {}, "", 400},
    };
    // clang-format on
    for (const RequestCase& c : cases) {
        httplib::Headers headers = c.headers;
        if (!headers.count("Authorization"))
            headers.emplace("Authorization", "Bearer " + rig.service->token());
        httplib::Request req;
        req.method = c.method;
        req.path = c.path;
        req.headers = headers;
        req.body = c.body;
        if (!c.body.empty() && !headers.count("Content-Type"))
            req.set_header("Content-Type", "application/json");
        const Reply r = ServiceRig::Read(rig.client().send(req));
        EXPECT_EQ(r.status, c.status) << c.name << ": " << r.body.dump();
        if (const auto& [name, part] = c.header; !name.empty()) {
            const auto h = r.headers.find(name);
            EXPECT_TRUE(part.empty() ? h == r.headers.end()
                                     : h != r.headers.end() && h->second.find(part) != std::string::npos)
                << c.name << ": " << name;
        }
        if (c.status < 400) continue;
        EXPECT_EQ(r.body["status"], c.status) << c.name;
        EXPECT_NE(r.body.value("error", "").find(c.error_part), std::string::npos)
            << c.name << ": " << r.body.dump();
        if (!c.path_in_error.empty()) EXPECT_EQ(r.body["path"], c.path_in_error) << c.name;
    }
}

// A body by its length, in chunks, or none at all (`curl -X POST` sends
// neither): none is answered at once, not after the connection's time-out,
// and chunks are bounded as a length is.
TEST(PrintService, ReadsABodyInChunksOrNoneAtAll) {
    dru::test::TempFolder dir;
    ServiceRig rig(dir.path());
    const std::string head = "POST /v1/drawer HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(rig.port) +
                             "\r\nAuthorization: Bearer " + rig.token + "\r\nConnection: close\r\n";
    const std::string chunked = "Transfer-Encoding: chunked\r\n\r\n";
    std::ostringstream over;
    over << std::hex << kMaxBody + 1 << "\r\n" << std::string(kMaxBody + 1, ' ') << "\r\n0\r\n\r\n";
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\r\n", "HTTP/1.1 200"},
        {chunked + "1\r\n{\r\n1\r\n}\r\n0\r\n\r\n", "HTTP/1.1 200"},
        {chunked + over.str(), "HTTP/1.1 413"},
    };
    for (const auto& [rest, status] : cases) {
        const std::string reply = RawExchange(rig.port, head + rest);
        EXPECT_EQ(reply.substr(0, status.size()), status) << reply.substr(0, 300);
    }
    EXPECT_EQ(rig.get("/v1/jobs").body["jobs"].size(), 2u);
}

// One service per port and per data folder: a second would drive the same
// printer from a journal of its own, or settle the first one's jobs.
TEST(PrintService, ASecondServiceOnItsPortOrFolderIsRefused) {
    dru::test::TempFolder dir, other;
    ServiceRig first(dir.path());
    ServiceOptions same_folder;
    same_folder.data_dir = dir.path();
    same_folder.printer.preview = true;
    EXPECT_THROW(Service{same_folder}, std::runtime_error);
    ServiceOptions same_port = same_folder;
    same_port.data_dir = other.path();
    same_port.listen_port = first.port;
    Service second(same_port);
    EXPECT_THROW(second.start(), std::runtime_error);
    EXPECT_EQ(first.get("/v1/status").status, 200);
}

// The command refuses a bad address before anything starts.
TEST(ServeCommand, RefusesABadAddressOrQueue) {
    dru::test::TempFolder dir;
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"serve", "--listen", "8020"},
          {"serve", "--listen", "localhost:http"},
          {"serve", "--listen", "127.0.0.1:70000"},
          {"serve", "--queue-limit", "0", "--data-dir", dir.path()}}) {
        std::istringstream in;
        std::ostringstream out, err;
        cli::Console console{in, out, err};
        EXPECT_EQ(cli::Run(args, console, {AddServeCommand}), cli::kBadUsage) << args.back();
        EXPECT_NE(err.str().find("dru: "), std::string::npos) << err.str();
        EXPECT_EQ(out.str().find("listening"), std::string::npos);
    }
}

}  // namespace
}  // namespace dru::serve::test
