#include "access.h"

#include <algorithm>
#include <cctype>
#include <random>
#include <stdexcept>

#include "os_services.h"

namespace dru::serve {

namespace {

constexpr int kTokenBytes = 16;  // 128 bits
constexpr std::size_t kMaxKey = 128;
// More than a token file holds: a longer file is no token of ours.
constexpr std::size_t kTokenFileMax = 64;

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string MakeToken() {
    std::random_device random;  // the system's source (getrandom on Linux)
    static constexpr char kHex[] = "0123456789abcdef";
    std::string token;
    for (int i = 0; i < kTokenBytes; ++i) {
        const unsigned byte = random() & 0xFF;
        token += kHex[byte >> 4];
        token += kHex[byte & 0xF];
    }
    return token;
}

std::string ReadToken(const std::string& path) {
    std::string text = os::ReadOwnerOnlyFile(path, kTokenFileMax);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    if (text.size() < 2 * kTokenBytes) throw std::runtime_error(path + ": not a token");
    return text;
}

}  // namespace

std::string LoadOrMakeToken(const std::string& data_dir) {
    const std::string path = data_dir + "/" + kTokenFile;
    const std::string token = MakeToken();
    return os::CreateOwnerOnlyFile(path, token + "\n") ? token : ReadToken(path);
}

bool SameSecret(const std::string& a, const std::string& b) {
    unsigned char differ = a.size() != b.size();
    for (std::size_t i = 0; i < a.size(); ++i) differ |= a[i] ^ (i < b.size() ? b[i] : 0);
    return differ == 0;
}

bool ValidKey(const std::string& key) {
    if (key.empty() || key.size() > kMaxKey) return false;
    return std::all_of(key.begin(), key.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
    });
}

Access::Access(std::string host, int port, std::vector<std::string> origins,
               const std::vector<std::string>& names)
    : origins_(std::move(origins)) {
    const std::string p = std::to_string(port);
    // An IPv6 address is written in brackets in a Host header.
    std::vector<std::string> all = {host.find(':') != std::string::npos ? "[" + host + "]" : host,
                                    "localhost"};
    all.insert(all.end(), names.begin(), names.end());
    for (const std::string& name : all) {
        const std::string h = Lower(name);
        hosts_.push_back(h);
        hosts_.push_back(h + ":" + p);
    }
}

bool Access::host_allowed(const std::string& host_header) const {
    return std::find(hosts_.begin(), hosts_.end(), Lower(host_header)) != hosts_.end();
}

bool Access::origin_allowed(const std::string& origin, const std::string& host_header) const {
    return origin.empty() || Lower(origin) == "http://" + Lower(host_header) || cors(origin);
}

bool Access::cors(const std::string& origin) const {
    return !origin.empty() && std::find(origins_.begin(), origins_.end(), origin) != origins_.end();
}

}  // namespace dru::serve
