#include "host/trace.h"

#include "host/text.h"

namespace dru {

namespace {

constexpr std::string_view kFailed = " -> <failed>";
constexpr std::string_view kNoByte = "<none>";
constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr unsigned char kNoBreakSpace = 0xA0;
constexpr unsigned char kSoftHyphen = 0xAD;

// Bytes with no visible glyph of their own, and the byte that opens an escape.
bool shown_as_hex(unsigned char c) {
    return c < 0x20 || (c >= 0x7F && c <= kNoBreakSpace) || c == kSoftHyphen || c == '<';
}

void append_hex(std::string& out, unsigned char c) {
    out += '<';
    out += kHexDigits[c >> 4];
    out += kHexDigits[c & 0x0F];
    out += '>';
}

}  // namespace

std::string Trace::text() const {
    std::string out;
    for (const auto& entry : entries_) {
        out += entry;
        out += '\n';
    }
    return out;
}

std::string TraceBytes(std::string_view bytes) {
    if (bytes.empty()) return std::string(kNoByte);
    std::size_t end = bytes.size();
    while (end > 0 && bytes[end - 1] == ' ') --end;
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (i >= end || shown_as_hex(c))
            append_hex(out, c);
        else
            out += text::from_latin1(bytes.substr(i, 1));  // byte N is code point N
    }
    return out;
}

std::string TraceCall(std::string call, bool ok) {
    if (!ok) call += kFailed;
    return call;
}

std::string TraceRead(std::size_t max, long count, std::string_view bytes) {
    std::string entry = "read " + std::to_string(max);
    if (count < 0) return entry + std::string(kFailed);
    return entry + " -> " + TraceBytes(bytes.substr(0, static_cast<std::size_t>(count)));
}

}  // namespace dru
