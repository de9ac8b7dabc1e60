// Fixed-width decimal operands, as the printer reads them.
#pragma once
#include <algorithm>
#include <string_view>

namespace dru::sim {

inline bool all_digits(std::string_view s) {
    return !s.empty() &&
           std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The value of a run of digits (check it with all_digits first).
inline long long to_number(std::string_view digits) {
    long long v = 0;
    for (char c : digits) v = v * 10 + (c - '0');
    return v;
}

}  // namespace dru::sim
