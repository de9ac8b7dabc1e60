// Who may use the service: the bearer token made on first start, the Host
// names a request may carry (a page elsewhere cannot reach the printer by
// pointing its own name at this machine), the origins given CORS access,
// and the idempotency keys' form.
#pragma once
#include <string>
#include <vector>

namespace dru::serve {

// The token file in the data folder: 32 hex digits (128 random bits),
// readable by its owner only. Made on first start, read after.
inline constexpr const char* kTokenFile = "token";

// Reads DATA_DIR/token, or makes it when there is none; raises
// std::runtime_error with the system's reason. A token file others may read
// is refused: the token would be theirs too.
std::string LoadOrMakeToken(const std::string& data_dir);

// Compares in time independent of where the texts differ.
bool SameSecret(const std::string& a, const std::string& b);

// 1 to 128 characters of letters, digits, "-" and "_".
bool ValidKey(const std::string& key);

class Access {
  public:
    // `host`: the listening address; `port` the bound port; `origins` those
    // given CORS access; `names` other names of this machine clients use.
    Access(std::string host, int port, std::vector<std::string> origins,
           const std::vector<std::string>& names = {});
    // The Host header names this service: the listening address or localhost, with the port or
    // without it.
    bool host_allowed(const std::string& host_header) const;
    // A browser's Origin: the service's own page, or one given CORS access.
    bool origin_allowed(const std::string& origin, const std::string& host_header) const;
    bool cors(const std::string& origin) const;

  private:
    std::vector<std::string> hosts_;
    std::vector<std::string> origins_;
};

}  // namespace dru::serve
