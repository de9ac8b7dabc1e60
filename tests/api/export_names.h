// The plain names libdru01000.so.1 exports: the dlopen test finds each of
// them and the symbol test checks that nothing else is exported under a
// plain name. The entry points come from src/api/entry_points.def, the list
// the version script is made from; the dru_ helpers are listed here (the
// map's dru_* pattern stands for them).
#pragma once
#include <string>
#include <vector>

namespace dru::test {

// Host-side helpers and module settings of the C contract.
inline const std::vector<std::string> kHelperExports = {
    "dru_text_new", "dru_text_get", "dru_text_set", "dru_text_free",
    "dru_params_new", "dru_params_free", "dru_params_add_text", "dru_params_add_number",
    "dru_params_count", "dru_params_name", "dru_params_text",
    "dru_dataset_new", "dru_dataset_free", "dru_dataset_add_field", "dru_dataset_create",
    "dru_dataset_append", "dru_dataset_edit", "dru_dataset_post", "dru_dataset_set_text",
    "dru_dataset_set_number", "dru_dataset_set_null", "dru_dataset_first", "dru_dataset_next",
    "dru_dataset_eof", "dru_dataset_record_count", "dru_dataset_get_text", "dru_dataset_get_number",
    "dru_dataset_is_null", "dru_dataset_set_filter", "dru_dataset_set_data", "dru_dataset_get_data",
    "dru_dataset_load_from_file", "dru_dataset_save_to_file",
    "dru_set_host_folder", "dru_set_port_device", "dru_set_message", "dru_set_format_settings",
    "dru_set_message_handler", "dru_last_error", "dru_last_error_code", "dru_version",
    "dru_last_exchange", "dru_last_verdict",
};

// The C entry points, from the one list the version script and the DLL's
// export list are made from: those that drive the printer, and those with a
// fixed answer.
inline std::vector<std::string> EntryPointsOf(const std::string& group) {
    std::vector<std::string> names;
#define DRU_ENTRY_POINT(name, of) \
    if (group == of) names.push_back(#name);
#include "api/entry_points.def"
#undef DRU_ENTRY_POINT
    return names;
}
inline const std::vector<std::string> kDriverExports = EntryPointsOf("driver");
inline const std::vector<std::string> kFixedAnswerExports = EntryPointsOf("fixed");

// Every plain name the library exports.
inline std::vector<std::string> AllExportedNames() {
    std::vector<std::string> all;
    for (const auto* group : {&kHelperExports, &kDriverExports, &kFixedAnswerExports})
        all.insert(all.end(), group->begin(), group->end());
    return all;
}

}  // namespace dru::test
