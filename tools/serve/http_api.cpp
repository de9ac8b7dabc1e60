#include "http_api.h"

#include <httplib.h>

#include <algorithm>
#include <charconv>
#include <stdexcept>

#include "assets.h"
#include "os_services.h"

namespace dru::serve {

namespace {

using httplib::Request;
using httplib::Response;
using Handled = httplib::Server::HandlerResponse;

constexpr const char* kJson = "application/json";
constexpr int kNoContent = 204, kUnauthorized = 401, kForbidden = 403, kNotFound = 404,
              kMethodNotAllowed = 405, kTooLarge = 413, kUnsupportedMedia = 415;
constexpr int kDefaultJobs = 50, kMaxJobs = 1000;
constexpr std::size_t kDefaultLogLines = 200, kMaxLogLines = 1000;
constexpr const char* kConsolePolicy =
    "default-src 'none'; script-src 'unsafe-inline'; style-src 'unsafe-inline'; "
    "connect-src 'self'; img-src data:; frame-ancestors 'none'; base-uri 'none'; form-action "
    "'none'";
// How long a browser may keep a CORS preflight's answer, in seconds.
constexpr const char* kPreflightMaxAge = "600";

void Send(Response& res, const Answer& a) {
    res.status = a.status;
    for (const auto& [name, value] : a.headers) res.set_header(name, value);
    res.set_content(a.body.dump(2) + "\n", kJson);
}

void SendError(Response& res, int status, const std::string& text) {
    Send(res, ErrorAnswer(status, text));
}

void NotAllowed(Response& res, const std::string& method, const std::string& path,
                const char* allowed) {
    res.set_header("Allow", allowed);
    SendError(res, kMethodNotAllowed, method + " " + path + ": this path takes " + allowed);
}

// A whole number query parameter within [1, max]; `fallback` when absent.
bool Count(const Request& req, const char* name, long fallback, long max, long& out,
           Response& res) {
    if (!req.has_param(name)) {
        out = fallback;
        return true;
    }
    const std::string v = req.get_param_value(name);
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
    if (ec != std::errc() || end != v.data() + v.size() || out < 1 || out > max) {
        Send(res, ErrorAnswer(400, std::string("?") + name + "=" + v +
                                       ": a whole number from 1 to " + std::to_string(max)));
        return false;
    }
    return true;
}

std::string Bearer(const Request& req) {
    const std::string auth = req.get_header_value("Authorization");
    constexpr std::string_view kScheme = "Bearer ";
    return auth.starts_with(kScheme) ? auth.substr(kScheme.size()) : std::string();
}

const char* kOperationPrefix = "/v1/";

// What the HTTP library refused itself, in a sentence.
std::string LibraryError(int status) {
    switch (status) {
        case kTooLarge:
            return "the body is larger than 1 MiB";
        case 400:
            return "the request cannot be read as HTTP";
        case 414:
            return "the request's path is too long";
        case kNotFound:
            return "no such path";
        default:
            return "the request was refused (HTTP " + std::to_string(status) + ")";
    }
}

}  // namespace

std::string ServiceUrl(const std::string& host, int port) {
    const bool v6 = host.find(':') != std::string::npos;
    return "http://" + (v6 ? "[" + host + "]" : host) + ":" + std::to_string(port);
}

HttpApi::HttpApi(JobDesk& desk, Printer& printer, std::string token, cli::Json about)
    : desk_(desk),
      printer_(printer),
      token_(std::move(token)),
      about_(std::move(about)),
      server_(std::make_unique<httplib::Server>()) {}

HttpApi::~HttpApi() {
    stop();
}

int HttpApi::bind(const ListenOptions& options) {
    const std::size_t threads = options.threads;
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    server_->set_payload_max_length(kMaxBody);
    server_->set_socket_options([](int socket) { os::ListenAlone(socket); });
    int port = options.port;
    if (port == 0) {
        port = server_->bind_to_any_port(options.host);
        if (port < 0)
            throw std::runtime_error("cannot listen on " + options.host + ": no free port");
    } else if (!server_->bind_to_port(options.host, port)) {
        throw std::runtime_error("cannot listen on " + options.host + ":" + std::to_string(port) +
                                 " (in use, or not an address of this machine)");
    }
    os::WidenBacklog(port);
    access_ = std::make_unique<Access>(options.host, port, options.origins, options.names);
    about_["url"] = ServiceUrl(options.host, port);
    routes();
    return port;
}

void HttpApi::serve() {
    server_->listen_after_bind();
}

bool HttpApi::running() const {
    return server_->is_running();
}

void HttpApi::stop() {
    if (server_->is_running()) server_->stop();
}

// Host, then Origin (with CORS and its preflight), then the token; false
// when the request was answered here.
bool HttpApi::admitted(const Request& req, Response& res) const {
    const std::string host = req.get_header_value("Host");
    if (!access_->host_allowed(host)) {
        SendError(res, kForbidden,
                  "the Host \"" + host +
                      "\" is not this service's address: ask for it by its listening address "
                      "or localhost");
        return false;
    }
    const std::string origin = req.get_header_value("Origin");
    if (!access_->origin_allowed(origin, host)) {
        SendError(res, kForbidden,
                  "requests from the page at " + origin +
                      " are not allowed (dru serve --origin gives an origin access)");
        return false;
    }
    if (access_->cors(origin)) {
        res.set_header("Access-Control-Allow-Origin", origin);
        res.set_header("Vary", "Origin");
        if (req.method == "OPTIONS") {
            res.set_header("Access-Control-Allow-Methods", "GET, POST");
            res.set_header("Access-Control-Allow-Headers",
                           "Authorization, Content-Type, Idempotency-Key");
            res.set_header("Access-Control-Max-Age", kPreflightMaxAge);
            res.status = kNoContent;
            return false;
        }
    }
    if (req.path.starts_with(kOperationPrefix) && !SameSecret(Bearer(req), token_)) {
        res.set_header("WWW-Authenticate", "Bearer");
        SendError(res, kUnauthorized,
                  "a token is needed: send \"Authorization: Bearer TOKEN\" with the token in "
                  "the data folder's file \"token\"");
        return false;
    }
    return true;
}

void HttpApi::answer(const Request& req, const std::string& body, Response& res) {
    const std::string& path = req.path;
    const std::string& method = req.method;
    const bool get = method == "GET" || method == "HEAD", post = method == "POST";
    auto only = [&](bool ok, const char* allowed) {
        if (!ok) NotAllowed(res, method, path, allowed);
        return ok;
    };
    if (path == "/" || path == "/index.html") {
        if (!only(get, "GET")) return;
        // The page's own code and styles only, its requests to this
        // service only, and never inside another site's frame.
        res.set_header("Content-Security-Policy", kConsolePolicy);
        res.set_header("X-Frame-Options", "DENY");
        res.set_content(ConsolePageText(), "text/html; charset=utf-8");
        return;
    }
    if (!path.starts_with(kOperationPrefix))
        return SendError(res, kNotFound, "no such path: " + path);
    const std::string name = path.substr(std::string_view(kOperationPrefix).size());
    long count = 0;
    if (name == "status") {
        if (only(get, "GET"))
            Send(res,
                 {200,
                  {{"service", about_}, {"printer", printer_.status()}, {"queue", desk_.queue()}}});
    } else if (name == "jobs") {
        if (only(get, "GET") && Count(req, "limit", kDefaultJobs, kMaxJobs, count, res))
            Send(res, {200, desk_.jobs(static_cast<int>(count))});
    } else if (name.starts_with("jobs/")) {
        if (only(get, "GET")) Send(res, desk_.job(name.substr(5)));
    } else if (name == "log") {
        if (only(get, "GET") && Count(req, "lines", kDefaultLogLines, kMaxLogLines, count, res))
            Send(res, {200, desk_.log_tail(static_cast<std::size_t>(count))});
    } else if (name == "paper") {
        if (!only(get, "GET")) return;
        if (const std::optional<std::string> roll = printer_.paper())
            Send(res, {200, {{"paper", *roll}}});
        else
            SendError(res, kNotFound, "the printer is not the simulator: its paper is its own");
    } else if (name == "openapi.json") {
        if (only(get, "GET")) res.set_content(OpenApiText(), kJson);
    } else if (const auto& ops = cli::OperationNames();
               std::find(ops.begin(), ops.end(), name) != ops.end()) {
        if (!only(post, "POST")) return;
        const std::string key = req.get_header_value("Idempotency-Key");
        if (req.has_header("Idempotency-Key") && !ValidKey(key))
            return SendError(res, 400, "Idempotency-Key: 1 to 128 letters, digits, \"-\" or \"_\"");
        const bool wait = !(req.has_param("wait") && req.get_param_value("wait") == "0");
        Send(res, desk_.submit(name, body, key, wait));
    } else {
        SendError(res, kNotFound, "no such path: " + path + " (GET /v1/openapi.json lists them)");
    }
}

void HttpApi::routes() {
    httplib::Server& s = *server_;
    // Who may ask, before any route (and before a body is read).
    s.set_pre_routing_handler([this](const Request& req, Response& res) {
        if (!admitted(req, res)) return Handled::Handled;
        // A request with neither a length nor chunks has no body (`curl -X
        // POST`); the library would wait for the connection to close.
        if (req.has_header("Content-Length") || req.has_header("Transfer-Encoding"))
            return Handled::Unhandled;
        answer(req, "", res);
        return Handled::Handled;
    });
    const auto without_body = [this](const Request& req, Response& res) { answer(req, "", res); };
    // The body read here as it came: the library would take a form's body
    // (curl --data sends JSON as one) for parameters, and refuse one over 8 KiB.
    const auto with_body = [this](const Request& req, Response& res,
                                  const httplib::ContentReader& read) {
        std::string body;
        bool too_large = false;  // the library bounds a body by its length, not chunks
        const auto keep = [&body, &too_large](const char* data, std::size_t n) {
            too_large = body.size() + n > kMaxBody;
            if (!too_large) body.append(data, n);
            return !too_large;
        };
        if (req.is_multipart_form_data()) {
            read([](const httplib::MultipartFormData&) { return true; },
                 [](const char*, std::size_t) { return true; });
            return SendError(res, kUnsupportedMedia,
                             "the body is the operation's JSON, not a form");
        }
        if (!read(keep)) {
            const int status = too_large || res.status == kTooLarge ? kTooLarge : 400;
            return SendError(res, status, LibraryError(status));
        }
        answer(req, body, res);
    };
    const std::string any = ".*";
    s.Get(any, without_body);
    s.Options(any, without_body);
    s.Post(any, with_body);
    s.Put(any, with_body);
    s.Patch(any, with_body);
    s.Delete(any, with_body);
    // What the library answers itself (a body too large, a bad request line) gets a JSON body too.
    s.set_error_handler([](const Request&, Response& res) {
        if (!res.body.empty()) return;
        SendError(res, res.status, LibraryError(res.status));
    });
    s.set_exception_handler([](const Request&, Response& res, std::exception_ptr e) {
        std::string what = "an internal error";
        try {
            if (e) std::rethrow_exception(e);
        } catch (const std::exception& ex) {
            what += ": " + std::string(ex.what());
        } catch (...) {
        }
        SendError(res, 500, what);
    });
}

}  // namespace dru::serve
