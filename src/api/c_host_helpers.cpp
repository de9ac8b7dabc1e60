// The host-side helpers of the C interface: texts, named-parameter arrays and
// tables. Each runs through `guarded`, so no exception crosses; a NULL handle
// makes a call fail (false, 0, "" or nothing done) without touching memory.
#include <string>

#include "api/c_handles.h"
#include "api/last_error.h"
#include "module/module.h"
#include "dru01000.h"
#include "host/errors.h"
#include "host/format.h"
#include "host/text.h"

namespace {

constexpr const char* kEmpty = "";

// Host text: NULL is the empty text; invalid UTF-8 is read as Latin-1.
std::string HostText(const char* s) { return s ? dru::text::from_host(s) : std::string(); }

template <class H>
H& Require(H* handle, const char* what) {
    if (!handle) throw dru::EDatabaseError(std::string("NULL ") + what + " handle");
    return *handle;
}

const dru::Param* ParamAt(const DruParams* params, int32_t i) {
    const DruParams& p = Require(params, "parameter array");
    if (i < 0 || static_cast<std::size_t>(i) >= p.params.size())
        throw dru::EDatabaseError("parameter index " + std::to_string(i) + " out of range (" +
                                  std::to_string(p.params.size()) + " parameters)");
    return &p.params[static_cast<std::size_t>(i)];
}

// Runs a table operation; true when it went through.
template <class F>
bool OnTable(DruDataSet* ds, F&& body) {
    return dru::guarded(false, [&] {
        body(Require(ds, "table").table);
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
        default: throw dru::EDatabaseError("unknown field type " + std::to_string(type));
    }
}

}  // namespace

extern "C" {

// ---- Texts ------------------------------------------------------------------------

DRU_API DruText* dru_text_new(const char* value) {
    return dru::guarded<DruText*>(nullptr, [&] { return new DruText{HostText(value)}; });
}

DRU_API const char* dru_text_get(const DruText* text) { return text ? text->value.c_str() : kEmpty; }

DRU_API void dru_text_set(DruText* text, const char* value) {
    dru::guarded_void([&] { Require(text, "text").value = HostText(value); });
}

DRU_API void dru_text_free(DruText* text) { delete text; }

// ---- Named-parameter arrays ---------------------------------------------------------------

DRU_API DruParams* dru_params_new(void) {
    return dru::guarded<DruParams*>(nullptr, [] { return new DruParams{}; });
}

DRU_API void dru_params_free(DruParams* params) { delete params; }

DRU_API void dru_params_add_text(DruParams* params, const char* name, const char* value) {
    dru::guarded_void([&] { Require(params, "parameter array").params.add(HostText(name), HostText(value)); });
}

// The number travels as the text the operations read back: general format
// under the module's regional settings (dru_set_format_settings, else the
// process's defaults), the settings the operations convert it back with.
DRU_API void dru_params_add_number(DruParams* params, const char* name, double value) {
    dru::guarded_void([&] {
        DruParams& p = Require(params, "parameter array");
        p.params.add(HostText(name), dru::FloatToStr(value, dru::ModuleState::get().format()));
    });
}

DRU_API int32_t dru_params_count(const DruParams* params) {
    return params ? static_cast<int32_t>(params->params.size()) : 0;
}


DRU_API const char* dru_params_name(const DruParams* params, int32_t i) {
    return dru::guarded<const char*>(kEmpty, [&] { return ParamAt(params, i)->name.c_str(); });
}

DRU_API const char* dru_params_text(const DruParams* params, int32_t i) {
    return dru::guarded<const char*>(kEmpty, [&] { return ParamAt(params, i)->value.c_str(); });
}

// ---- Tables -------------------------------------------------------------------------------

// A new table is bound to the module's regional settings and clock: it
// converts text under the settings in force at each call.
DRU_API DruDataSet* dru_dataset_new(void) {
    return dru::guarded<DruDataSet*>(nullptr, [] {
        auto* ds = new DruDataSet{};
        dru::ModuleState& state = dru::ModuleState::get();
        ds->table.Bind(state.format(), state.clock());
        return ds;
    });
}

DRU_API void dru_dataset_free(DruDataSet* ds) { delete ds; }


DRU_API bool dru_dataset_add_field(DruDataSet* ds, const char* name, int32_t type, int32_t size) {
    return OnTable(ds, [&](dru::TClientDataSet& t) { t.AddFieldDef(HostText(name), ToFieldType(type), size); });
}

DRU_API bool dru_dataset_create(DruDataSet* ds) {
    return OnTable(ds, [](dru::TClientDataSet& t) { t.CreateDataSet(); });
}

DRU_API bool dru_dataset_append(DruDataSet* ds) {
    return OnTable(ds, [](dru::TClientDataSet& t) { t.Append(); });
}

DRU_API bool dru_dataset_edit(DruDataSet* ds) {
    return OnTable(ds, [](dru::TClientDataSet& t) { t.Edit(); });
}

DRU_API bool dru_dataset_post(DruDataSet* ds) {
    return OnTable(ds, [](dru::TClientDataSet& t) { t.Post(); });
}

DRU_API bool dru_dataset_set_text(DruDataSet* ds, const char* field, const char* value) {
    return OnTable(ds, [&](dru::TClientDataSet& t) { t.FieldByName(HostText(field)).SetAsString(HostText(value)); });
}

DRU_API bool dru_dataset_set_number(DruDataSet* ds, const char* field, double value) {
    return OnTable(ds, [&](dru::TClientDataSet& t) { t.FieldByName(HostText(field)).SetAsFloat(value); });
}

DRU_API bool dru_dataset_set_null(DruDataSet* ds, const char* field) {
    return OnTable(ds, [&](dru::TClientDataSet& t) { t.FieldByName(HostText(field)).Clear(); });
}

DRU_API bool dru_dataset_first(DruDataSet* ds) {
    return OnTable(ds, [](dru::TClientDataSet& t) { t.First(); });
}

DRU_API bool dru_dataset_next(DruDataSet* ds) {
    return OnTable(ds, [](dru::TClientDataSet& t) { t.Next(); });
}

DRU_API bool dru_dataset_eof(const DruDataSet* ds) { return ds ? ds->table.Eof() : true; }

DRU_API int32_t dru_dataset_record_count(const DruDataSet* ds) { return ds ? ds->table.RecordCount() : 0; }

DRU_API const char* dru_dataset_get_text(DruDataSet* ds, const char* field) {
    return dru::guarded<const char*>(kEmpty, [&] {
        DruDataSet& d = Require(ds, "table");
        d.scratch = d.table.FieldByName(HostText(field)).AsString();
        return d.scratch.c_str();
    });
}

DRU_API double dru_dataset_get_number(DruDataSet* ds, const char* field) {
    return dru::guarded(0.0, [&] { return Require(ds, "table").table.FieldByName(HostText(field)).AsFloat(); });
}

DRU_API bool dru_dataset_is_null(DruDataSet* ds, const char* field) {
    return dru::guarded(false, [&] { return Require(ds, "table").table.FieldByName(HostText(field)).IsNull(); });
}

// The three steps the host's tables always take: off, text, on. A refused
// filter leaves the table's filter as it was.
DRU_API bool dru_dataset_set_filter(DruDataSet* ds, const char* expression, bool filtered) {
    return OnTable(ds, [&](dru::TClientDataSet& t) {
        const std::string old_text = t.Filter();
        const bool old_on = t.Filtered();
        try {
            t.SetFiltered(false);
            t.SetFilter(HostText(expression));
            t.SetFiltered(filtered);
        } catch (...) {
            t.SetFilter(old_text);  // filtering is off here: only stored
            t.SetFiltered(old_on);  // compiled before, so it compiles again
            throw;
        }
    });
}

DRU_API bool dru_dataset_set_data(DruDataSet* ds, const char* packet) {
    return OnTable(ds, [&](dru::TClientDataSet& t) { t.SetDataPacket(packet ? packet : ""); });
}

DRU_API bool dru_dataset_get_data(DruDataSet* ds, DruText* packet) {
    return OnTable(ds, [&](dru::TClientDataSet& t) {
        DruText& out = Require(packet, "text");
        out.value = t.GetDataPacket();
    });
}

DRU_API bool dru_dataset_load_from_file(DruDataSet* ds, const char* path) {
    return OnTable(ds, [&](dru::TClientDataSet& t) { t.LoadFromFile(path ? path : ""); });
}

DRU_API bool dru_dataset_save_to_file(DruDataSet* ds, const char* path) {
    return OnTable(ds, [&](dru::TClientDataSet& t) { t.SaveToFile(path ? path : ""); });
}

}  // extern "C"
