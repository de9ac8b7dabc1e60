// The fuzz targets of the tree, one function per target, each fed one input
// and returning 0. Built two ways: as libFuzzer programs (fuzz_<name>, with
// clang and the sanitizers; libfuzzer_entry.cpp wires one function to
// libFuzzer), and into test_fuzz, which plays every committed seed of
// corpus/<name>/ through its target on every run of the suite.
//
// A target fails loudly (abort) on what the driver must never do with any
// input: an exception outside the module's closed set of errors (which the C
// boundary would report as an internal fault), a port left open, a table
// left other than its operation's contract says. The sanitizers catch the rest.
#pragma once
#include <cstddef>
#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace dru::fuzz {

// An XML data packet read into a table and, when it reads, written and read back.
int packet_reader(const std::uint8_t* data, std::size_t size);
// A filter expression compiled against a table of every field type and applied.
int filter_parser(const std::uint8_t* data, std::size_t size);
// The replies of the printer to one entry point's operation, through the
// scripted port: the reply handling and the error analysis behind it.
int replies(const std::uint8_t* data, std::size_t size);
// The printer's payment-forms list (the reply to 432), cut into lines and
// matched against the host's payment types.
int payment_forms(const std::uint8_t* data, std::size_t size);
// Regional settings and host texts of any bytes: when the settings are
// accepted, every frame of a supply and of a sale's items stays one frame.
int host_texts(const std::uint8_t* data, std::size_t size);
// An input file of the dru command (its first byte picks which), checked
// and, when the check passes, built into the call's arguments.
int dru_json(const std::uint8_t* data, std::size_t size);

inline std::string_view Bytes(const std::uint8_t* data, std::size_t size) {
    return {reinterpret_cast<const char*>(data), size};
}

// An exception the module raises on bad input is expected; anything outside
// its closed set of errors is a finding.
void ExpectModuleError(const std::exception& e);

// Stops the run: the input showed a fault (libFuzzer keeps it as a crash).
[[noreturn]] void Finding(const std::string& what);

}  // namespace dru::fuzz
