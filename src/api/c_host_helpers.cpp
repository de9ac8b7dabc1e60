// The host-side helpers of the C interface: texts, named-parameter arrays and
// tables. Each runs through `guarded`, so no exception crosses; a NULL handle
// is the bad-argument error (false, 0, "" or nothing done, memory untouched).
#include <string>

#include "api/c_handles.h"
#include "api/host_text.h"
#include "api/last_error.h"
#include "api/reader_texts.h"
#include "dru01000.h"
#include "host/errors.h"
#include "host/format.h"
#include "host/routines.h"
#include "host/text.h"
#include "module/module.h"

namespace {

using dru::HostText;
using dru::Required;

constexpr const char* kEmpty = "";

const dru::Param* ParamAt(const DruParams* params, int32_t i, const char* call) {
    const DruParams& p = Required(params, call, "params");
    if (i < 0 || static_cast<std::size_t>(i) >= p.params.size())
        throw dru::EBadArgument(std::string(call) + ": parameter index " + std::to_string(i) + " out of range (" +
                                std::to_string(p.params.size()) + " parameters)");
    return &p.params[static_cast<std::size_t>(i)];
}

// A reader that cannot fail otherwise: it leaves the last error alone unless
// its handle is NULL.
template <class H, class R, class F>
R Read(H* handle, const char* call, R when_null, F&& body) {
    const dru::ModuleLock inside;
    if (!handle) {
        dru::set_last_error({dru::ErrorKind::BadArgument, std::string(call) + ": handle is NULL"});
        return when_null;
    }
    return body(*handle);
}

// Runs a table operation; true when it went through.
template <class F>
bool OnTable(DruDataSet* ds, const char* call, F&& body) {
    return dru::guarded(false, [&] {
        body(Required(ds, call, "ds").table);
        return true;
    });
}

dru::FieldType ToFieldType(int32_t type) {
    switch (type) {
        case DRU_FT_STRING: return dru::FieldType::String;
        case DRU_FT_INTEGER: return dru::FieldType::Integer;
        case DRU_FT_FLOAT: return dru::FieldType::Float;
        case DRU_FT_DATETIME: return dru::FieldType::DateTime;
        case DRU_FT_BOOLEAN: return dru::FieldType::Boolean;
        default: throw dru::EBadArgument("dru_dataset_add_field: unknown field type " + std::to_string(type));
    }
}

}  // namespace

extern "C" {

// ---- Texts ------------------------------------------------------------------------

// Allocating a handle to read a result into leaves the last error as it
// was: it is how a host reads what the call before said.
DRU_API DruText* DRU_CALL dru_text_new(const char* value) {
    try {
        return new DruText{HostText(value)};
    } catch (...) {
        dru::set_last_error({dru::ErrorKind::Internal, "dru_text_new: out of memory"});
        return nullptr;
    }
}

DRU_API const char* DRU_CALL dru_text_get(const DruText* text) {
    return Read(text, "dru_text_get", kEmpty,
                [&](const DruText& t) { return dru::ReaderText(text, dru::Reader::Text, 0, t.value); });
}

DRU_API void DRU_CALL dru_text_set(DruText* text, const char* value) {
    dru::guarded_void([&] { Required(text, "dru_text_set", "text").value = HostText(value); });
}

DRU_API void DRU_CALL dru_text_free(DruText* text) {
    const dru::ModuleLock inside;  // not while a call in another thread may use it
    dru::ForgetReaderTexts(text);
    delete text;
}

// ---- Named-parameter arrays ---------------------------------------------------------------

DRU_API DruParams* DRU_CALL dru_params_new(void) {
    try {
        return new DruParams{};
    } catch (...) {
        dru::set_last_error({dru::ErrorKind::Internal, "dru_params_new: out of memory"});
        return nullptr;
    }
}

DRU_API void DRU_CALL dru_params_free(DruParams* params) {
    const dru::ModuleLock inside;  // not while a call in another thread may use it
    dru::ForgetReaderTexts(params);
    delete params;
}

DRU_API void DRU_CALL dru_params_add_text(DruParams* params, const char* name, const char* value) {
    dru::guarded_void([&] { Required(params, "dru_params_add_text", "params").params.add(HostText(name), HostText(value)); });
}

// The number travels as the text the operations read back: general format
// under the module's regional settings (dru_set_format_settings, else the
// process's defaults), the settings the operations convert it back with.
DRU_API void DRU_CALL dru_params_add_number(DruParams* params, const char* name, double value) {
    dru::guarded_void([&] {
        DruParams& p = Required(params, "dru_params_add_number", "params");
        p.params.add(HostText(name), dru::FloatToStr(value, dru::ModuleState::get().format()));
    });
}

DRU_API int32_t DRU_CALL dru_params_count(const DruParams* params) {
    return Read(params, "dru_params_count", 0,
                [](const DruParams& p) { return static_cast<int32_t>(p.params.size()); });
}


DRU_API const char* DRU_CALL dru_params_name(const DruParams* params, int32_t i) {
    return dru::guarded<const char*>(kEmpty, [&] {
        return dru::ReaderText(params, dru::Reader::ParamName, i, ParamAt(params, i, "dru_params_name")->name);
    });
}

DRU_API const char* DRU_CALL dru_params_text(const DruParams* params, int32_t i) {
    return dru::guarded<const char*>(kEmpty, [&] {
        return dru::ReaderText(params, dru::Reader::ParamText, i, ParamAt(params, i, "dru_params_text")->value);
    });
}

// ---- Tables -------------------------------------------------------------------------------

// A new table is bound to the module's regional settings and clock: it
// converts text under the settings in force at each call.
DRU_API DruDataSet* DRU_CALL dru_dataset_new(void) {
    return dru::guarded<DruDataSet*>(nullptr, [] {
        auto* ds = new DruDataSet{};
        dru::ModuleState& state = dru::ModuleState::get();
        ds->table.Bind(state.format(), state.clock());
        return ds;
    });
}

DRU_API void DRU_CALL dru_dataset_free(DruDataSet* ds) {
    const dru::ModuleLock inside;  // not while a call in another thread may use it
    dru::ForgetReaderTexts(ds);
    delete ds;
}


DRU_API bool DRU_CALL dru_dataset_add_field(DruDataSet* ds, const char* name, int32_t type, int32_t size) {
    return OnTable(ds, "dru_dataset_add_field", [&](dru::TClientDataSet& t) { t.AddFieldDef(HostText(name), ToFieldType(type), size); });
}

DRU_API bool DRU_CALL dru_dataset_create(DruDataSet* ds) {
    return OnTable(ds, "dru_dataset_create", [](dru::TClientDataSet& t) { t.CreateDataSet(); });
}

DRU_API bool DRU_CALL dru_dataset_append(DruDataSet* ds) {
    return OnTable(ds, "dru_dataset_append", [](dru::TClientDataSet& t) { t.Append(); });
}

DRU_API bool DRU_CALL dru_dataset_edit(DruDataSet* ds) {
    return OnTable(ds, "dru_dataset_edit", [](dru::TClientDataSet& t) { t.Edit(); });
}

DRU_API bool DRU_CALL dru_dataset_post(DruDataSet* ds) {
    return OnTable(ds, "dru_dataset_post", [](dru::TClientDataSet& t) { t.Post(); });
}

DRU_API bool DRU_CALL dru_dataset_set_text(DruDataSet* ds, const char* field, const char* value) {
    return OnTable(ds, "dru_dataset_set_text", [&](dru::TClientDataSet& t) { t.FieldByName(HostText(field)).SetAsString(HostText(value)); });
}

DRU_API bool DRU_CALL dru_dataset_set_number(DruDataSet* ds, const char* field, double value) {
    return OnTable(ds, "dru_dataset_set_number", [&](dru::TClientDataSet& t) { t.FieldByName(HostText(field)).SetAsFloat(value); });
}

DRU_API bool DRU_CALL dru_dataset_set_null(DruDataSet* ds, const char* field) {
    return OnTable(ds, "dru_dataset_set_null", [&](dru::TClientDataSet& t) { t.FieldByName(HostText(field)).Clear(); });
}

DRU_API bool DRU_CALL dru_dataset_first(DruDataSet* ds) {
    return OnTable(ds, "dru_dataset_first", [](dru::TClientDataSet& t) { t.First(); });
}

DRU_API bool DRU_CALL dru_dataset_next(DruDataSet* ds) {
    return OnTable(ds, "dru_dataset_next", [](dru::TClientDataSet& t) { t.Next(); });
}

DRU_API bool DRU_CALL dru_dataset_eof(const DruDataSet* ds) {
    return Read(ds, "dru_dataset_eof", true, [](const DruDataSet& d) { return d.table.Eof(); });
}

DRU_API int32_t DRU_CALL dru_dataset_record_count(const DruDataSet* ds) {
    return Read(ds, "dru_dataset_record_count", 0, [](const DruDataSet& d) { return d.table.RecordCount(); });
}

DRU_API const char* DRU_CALL dru_dataset_get_text(DruDataSet* ds, const char* field) {
    return dru::guarded<const char*>(kEmpty, [&] {
        DruDataSet& d = Required(ds, "dru_dataset_get_text", "ds");
        return dru::ReaderText(ds, dru::Reader::TableText, 0, d.table.FieldByName(HostText(field)).AsString());
    });
}

DRU_API double DRU_CALL dru_dataset_get_number(DruDataSet* ds, const char* field) {
    return dru::guarded(0.0, [&] { return Required(ds, "dru_dataset_get_number", "ds").table.FieldByName(HostText(field)).AsFloat(); });
}

DRU_API bool DRU_CALL dru_dataset_is_null(DruDataSet* ds, const char* field) {
    return dru::guarded(false, [&] { return Required(ds, "dru_dataset_is_null", "ds").table.FieldByName(HostText(field)).IsNull(); });
}

// The three steps the host's tables always take: off, text, on. A refused
// filter leaves the table's filter as it was.
DRU_API bool DRU_CALL dru_dataset_set_filter(DruDataSet* ds, const char* expression, bool filtered) {
    return OnTable(ds, "dru_dataset_set_filter",
                   [&](dru::TClientDataSet& t) { dru::SetTableFilter(t, HostText(expression), filtered); });
}

DRU_API bool DRU_CALL dru_dataset_set_data(DruDataSet* ds, const char* packet) {
    return OnTable(ds, "dru_dataset_set_data", [&](dru::TClientDataSet& t) { t.SetDataPacket(packet ? packet : ""); });
}

DRU_API bool DRU_CALL dru_dataset_get_data(DruDataSet* ds, DruText* packet) {
    return OnTable(ds, "dru_dataset_get_data", [&](dru::TClientDataSet& t) {
        DruText& out = Required(packet, "dru_dataset_get_data", "packet");
        out.value = t.GetDataPacket();
    });
}

DRU_API bool DRU_CALL dru_dataset_load_from_file(DruDataSet* ds, const char* path) {
    return OnTable(ds, "dru_dataset_load_from_file", [&](dru::TClientDataSet& t) { t.LoadFromFile(path ? path : ""); });
}

DRU_API bool DRU_CALL dru_dataset_save_to_file(DruDataSet* ds, const char* path) {
    return OnTable(ds, "dru_dataset_save_to_file", [&](dru::TClientDataSet& t) { t.SaveToFile(path ? path : ""); });
}

}  // extern "C"
