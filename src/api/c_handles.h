// The C interface's handles: what a DruText, DruParams or DruDataSet pointer
// points to. Entry points unwrap them here; the host only ever holds the
// pointers, made and freed by the dru_text_*, dru_params_* and dru_dataset_*
// helpers.
#pragma once
#include <string>

#include "host/dataset.h"
#include "host/params.h"

struct DruText {
    std::string value;
};

struct DruParams {
    dru::TParams params;
};

struct DruDataSet {
    dru::TClientDataSet table;
};

// The table of a handle the host may leave NULL: nullptr then.
inline dru::TClientDataSet* OptionalTable(DruDataSet* ds) { return ds ? &ds->table : nullptr; }

// The same, named for its errors by the call and the argument it came in as.
inline dru::TClientDataSet* OptionalTable(DruDataSet* ds, const char* call, const char* argument) {
    if (!ds) return nullptr;
    ds->table.SetName(std::string(call) + ": " + argument);
    return &ds->table;
}
