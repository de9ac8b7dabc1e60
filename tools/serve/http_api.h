// The service's HTTP side: who may ask (Host, Origin, token), the routes,
// and JSON errors for everything else, never a stack trace. The desk does
// the work; this file only translates.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "access.h"
#include "job_desk.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

namespace dru::serve {

// Bodies larger than this are refused (413) before they are read whole.
inline constexpr std::size_t kMaxBody = 1 << 20;

struct ListenOptions {
    std::string host = "127.0.0.1";
    int port = 0;                      // 0: any free port
    std::vector<std::string> origins;  // given CORS access
    std::vector<std::string> names;    // other Host names this machine is asked by
    std::size_t threads = 16;          // requests answered at once (a waiting one holds one)
};

// "http://127.0.0.1:8020" ("http://[::1]:8020" for an IPv6 address).
std::string ServiceUrl(const std::string& host, int port);

class HttpApi {
  public:
    // `about` is what the status shows of the service.
    HttpApi(JobDesk& desk, Printer& printer, std::string token, cli::Json about);
    HttpApi(const HttpApi&) = delete;
    HttpApi& operator=(const HttpApi&) = delete;
    ~HttpApi();

    // Binds the address; the port bound. Raises std::runtime_error when it cannot.
    int bind(const ListenOptions& options);
    // Answers requests until stop(); on the calling thread.
    void serve();
    bool running() const;
    void stop();

  private:
    void routes();
    // Host, then Origin (with CORS), then the token: false when refused here.
    bool admitted(const httplib::Request& req, httplib::Response& res) const;
    // The route's answer; `body` as the request brought it.
    void answer(const httplib::Request& req, const std::string& body, httplib::Response& res);

    JobDesk& desk_;
    Printer& printer_;
    std::string token_;
    cli::Json about_;
    std::unique_ptr<Access> access_;
    std::unique_ptr<httplib::Server> server_;
};

}  // namespace dru::serve
