// Every committed seed of every fuzz target, through its target, on every run
// of the suite (and of the sanitizer suite): a fault a seed once showed stays
// fixed, and the targets keep building and running without clang.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fuzz/fuzz_targets.h"

namespace dru::fuzz {
namespace {

using Target = int (*)(const std::uint8_t*, std::size_t);

struct NamedTarget {
    const char* name;
    Target run;
};

const NamedTarget kTargets[] = {
    {"packet_reader", &packet_reader},
    {"filter_parser", &filter_parser},
    {"replies", &replies},
    {"payment_forms", &payment_forms},
    {"dru_json", &dru_json},
    {"host_texts", &host_texts},
};

std::vector<std::filesystem::path> Seeds(const char* target) {
    std::vector<std::filesystem::path> seeds;
    const std::filesystem::path folder = std::filesystem::path(DRU_FUZZ_CORPUS_DIR) / target;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.is_regular_file()) seeds.push_back(entry.path());
    return seeds;
}

std::string Content(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class CorpusReplay : public ::testing::TestWithParam<NamedTarget> {};

TEST_P(CorpusReplay, EverySeedRunsThroughItsTarget) {
    const auto seeds = Seeds(GetParam().name);
    EXPECT_FALSE(seeds.empty()) << "no seed committed for " << GetParam().name;
    for (const auto& seed : seeds) {
        SCOPED_TRACE(seed.filename().string());
        const std::string bytes = Content(seed);
        EXPECT_EQ(GetParam().run(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()),
                  0);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTarget, CorpusReplay, ::testing::ValuesIn(kTargets),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dru::fuzz
