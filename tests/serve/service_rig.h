// A print service in this process on the simulator's virtual clock, asked
// over real HTTP on loopback.
#pragma once
#include <httplib.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "json_input.h"
#include "service.h"
#include "support/temp_folder.h"

namespace dru::serve::test {

using cli::Json;

struct Reply {
    int status = 0;
    Json body;
    httplib::Headers headers;
};

inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline std::string Example(const std::string& name) {
    return FileText(std::string(DRU_EXAMPLES_DIR) + "/" + name);
}

inline int Count(const std::string& text, const std::string& part) {
    int n = 0;
    for (std::size_t at = 0; (at = text.find(part, at)) != std::string::npos; ++at) ++n;
    return n;
}

// A service on loopback asked with its token: in this process or another.
struct ServiceClient {
    int port = 0;
    std::string token;

    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port);
        c.set_read_timeout(60);
        return c;
    }
    httplib::Headers auth(const std::string& key = "") const {
        httplib::Headers h = {{"Authorization", "Bearer " + token}};
        if (!key.empty()) h.emplace("Idempotency-Key", key);
        return h;
    }
    Reply post(const std::string& operation, const std::string& body, const std::string& key = "",
               const std::string& query = "") const {
        return Read(client().Post(("/v1/" + operation + query).c_str(), auth(key), body, "application/json"));
    }
    Reply get(const std::string& path) const { return Read(client().Get(path.c_str(), auth())); }
    // How many receipts the paper roll shows ended (the day's first sale included).
    int receipts_on_paper() const { return Count(get("/v1/paper").body.value("paper", ""), "FIN BOLETA"); }

    static Reply Read(const httplib::Result& r) {
        Reply reply;
        if (!r) {
            reply.body = {{"client error", httplib::to_string(r.error())}};
            return reply;
        }
        reply.status = r->status;
        reply.headers = r->headers;
        reply.body = Json::parse(r->body, nullptr, false);
        return reply;
    }
};

class ServiceRig : public ServiceClient {
  public:
    // `preview` false: the simulator on a pseudo-terminal, in real time.
    explicit ServiceRig(const std::string& data_dir, ServiceOptions options = {}, bool preview = true) {
        options.printer.preview = preview;
        options.listen_port = 0;
        options.data_dir = data_dir;
        service = std::make_unique<Service>(std::move(options));
        port = service->start();
        token = service->token();
    }

    std::unique_ptr<Service> service;
};

}  // namespace dru::serve::test
