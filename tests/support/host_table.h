// A host table made and filled through the C helpers, as a host program
// holds one: freed when the test ends.
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "dru01000.h"

namespace dru::test {

struct HostTable {
    DruDataSet* ds = dru_dataset_new();
    HostTable() = default;
    ~HostTable() { dru_dataset_free(ds); }
    HostTable(const HostTable&) = delete;
    HostTable& operator=(const HostTable&) = delete;

    HostTable& field(const char* name, int32_t type, int32_t size = 0) {
        dru_dataset_add_field(ds, name, type, size);
        return *this;
    }
    HostTable& create() {
        dru_dataset_create(ds);
        return *this;
    }
    // One record, each value given as text (numbers in the regional notation).
    HostTable& row(const std::vector<std::pair<const char*, std::string>>& values) {
        dru_dataset_append(ds);
        for (const auto& [name, value] : values) dru_dataset_set_text(ds, name, value.c_str());
        dru_dataset_post(ds);
        return *this;
    }
    std::string text(const char* field) const { return dru_dataset_get_text(ds, field); }
};

}  // namespace dru::test
