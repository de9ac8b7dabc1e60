// docs/openapi.json, the description dru serve hands out as it is: the
// service holds this very text, it reads as JSON, has a path for every
// operation the service takes and none it does not, every reference in it
// leads somewhere, and the rules every client must follow (the token, the
// key's form, each refusal) are written in it as the service applies them.
#include <gtest/gtest.h>

#include <algorithm>
#include <nlohmann/json.hpp>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "access.h"
#include "service_rig.h"
#include "assets.h"
#include "operations.h"

namespace dru::test {
namespace {

using nlohmann::json;

std::string DescriptionText() {
    return serve::test::FileText(std::string(DRU_SOURCE_DIR) + "/docs/openapi.json");
}

const json& Description() {
    static const json doc = json::parse(DescriptionText());  // throws, failing every test, when it is not JSON
    return doc;
}

// The service serves this very file, and it describes what the service takes.
TEST(OpenApi, IsTheServedFileWithAPostPathForEveryOperationAndNoOther) {
    EXPECT_EQ(OpenApiText(), DescriptionText());
    EXPECT_EQ(Description().value("openapi", ""), "3.0.3");
    const std::vector<std::string>& served = cli::OperationNames();
    const json& paths = Description().at("paths");
    for (const std::string& name : served)
        EXPECT_TRUE(paths.contains("/v1/" + name) && paths["/v1/" + name].contains("post")) << name;
    const json& jobs_of = Description()["components"]["schemas"]["Job"]["properties"]["operation"];
    EXPECT_EQ(jobs_of["enum"].get<std::set<std::string>>(), std::set<std::string>(served.begin(), served.end()));
    for (const auto& [path, item] : paths.items()) {
        if (!item.contains("post")) continue;
        EXPECT_NE(std::find(served.begin(), served.end(), path.substr(4)), served.end())
            << path << " is not an operation the service takes";
        for (const char* status : {"200", "202", "400", "401", "403", "409", "413", "415", "503"})
            EXPECT_TRUE(item["post"]["responses"].contains(status)) << path << " " << status;
    }
}

// Every reference leads somewhere; the token guards every path but the
// console page; every refusal is described with the error object.
TEST(OpenApi, ReferencesTokenAndRefusalsHoldTogether) {
    const json& doc = Description();
    int refs = 0;
    const json flat = doc.flatten();
    for (const auto& [at, ref] : flat.items()) {
        if (!at.ends_with("/$ref")) continue;
        ++refs;
        const std::string target = ref.get<std::string>();
        EXPECT_TRUE(target.starts_with("#/") && doc.contains(json::json_pointer(target.substr(1)))) << at;
    }
    EXPECT_GT(refs, 0);
    EXPECT_EQ(doc["security"], json::parse(R"([{"bearer": []}])"));
    for (const auto& [path, item] : doc["paths"].items())
        for (const auto& [method, operation] : item.items())
            EXPECT_EQ(operation.contains("security"), path == "/") << method << " " << path;
    EXPECT_EQ(doc["paths"]["/"]["get"]["security"], json::array());
    const json& responses = doc["components"]["responses"];
    for (const char* name : {"BadInput", "Unauthorized", "Forbidden", "NotFound", "MethodNotAllowed", "KeyReused",
                             "TooLarge", "NotJson", "QueueFull", "Internal"})
        EXPECT_EQ(responses.value(json::json_pointer("/" + std::string(name) + "/content/application~1json/schema/$ref"),
                                  ""),
                  "#/components/schemas/Error")
            << name;
    EXPECT_TRUE(responses["QueueFull"]["headers"].contains("Retry-After"));
    EXPECT_TRUE(responses["MethodNotAllowed"]["headers"].contains("Allow"));
}

// The key's pattern as written takes what the service takes, and only that.
TEST(OpenApi, TheIdempotencyKeyPatternTakesWhatTheServiceTakes) {
    const json& key = Description()["components"]["parameters"]["IdempotencyKey"];
    EXPECT_EQ(key["name"], "Idempotency-Key");
    EXPECT_EQ(key["in"], "header");
    const std::regex pattern(key["schema"]["pattern"].get<std::string>());
    const std::vector<std::pair<std::string, bool>> cases = {
        {"sale-0042", true},         {"job_A9-z", true},  {std::string(128, 'k'), true},
        {std::string(129, 'k'), false}, {"", false},      {"sale 42", false},
        {"sale/42", false},          {"clé", false},      {"a.b", false}};
    for (const auto& [text, taken] : cases) {
        EXPECT_EQ(serve::ValidKey(text), taken) << "\"" << text << "\"";
        EXPECT_EQ(std::regex_match(text, pattern), taken) << "\"" << text << "\"";
    }
}

}  // namespace
}  // namespace dru::test
