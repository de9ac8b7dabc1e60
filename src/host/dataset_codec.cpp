#include "host/dataset_codec.h"

#include <cmath>

#include "host/text.h"

namespace dru::detail {
namespace {

// Two "todays" a whole Gregorian cycle (400 years) apart: a date text reads
// the same under both unless it takes its year or century from today, and a
// day that exists in one exists in the other.
constexpr int kProbeYear = 2000;
constexpr int kGregorianCycleYears = 400;

bool ParseBoolean(std::string_view s, bool& out) {
    const std::string up = text::upper_ascii(s);
    if (up.empty()) return false;
    if (std::string_view("TRUE").starts_with(up)) return out = true, true;
    if (std::string_view("FALSE").starts_with(up)) return out = false, true;
    return false;
}

long long RoundToInteger(double v, const std::string& field) {
    const double r = std::nearbyint(v);  // the host rounds half to even
    if (!std::isfinite(r) || r < -9.2e18 || r > 9.2e18)
        throw EConvertError("Field '" + field + "': value out of range for an integer");
    return static_cast<long long>(r);
}

// Runs `convert`, putting the field's name in front of a conversion error.
template <class F>
auto NamingField(const FieldDef& def, F&& convert) {
    try {
        return convert();
    } catch (const EConvertError& e) {
        throw EConvertError("Field '" + def.name + "': " + e.what());
    }
}

}  // namespace

void FieldCodec::Bind(const FormatSettings& fs, const Clock& clock) {
    fs_ = &fs;
    own_.reset();
    clock_ = &clock;
}

void FieldCodec::UseCopy(const FormatSettings& fs) {
    own_ = fs;
    fs_ = &*own_;
}

TDateTime FieldCodec::ParseDateTime(std::string_view text) const {
    if (clock_) return StrToDateTime(text, *fs_, clock_->now());
    const TDateTime probe = EncodeDate(kProbeYear, 1, 1);
    const TDateTime a = StrToDateTime(text, *fs_, probe);
    const TDateTime b = StrToDateTime(text, *fs_, EncodeDate(kProbeYear + kGregorianCycleYears, 1, 1));
    if (a != b)
        throw ENoClockForDate("'" + std::string(text) +
                              "' needs today's year to be read as a date, and the table has no clock");
    return a;
}

// ---- To the stored value ----------------------------------------------------------

Value FieldCodec::FromText(const FieldDef& def, std::string_view raw) const {
    std::string s = text::from_host(raw);
    if (s.empty()) return {};
    return NamingField(def, [&]() -> Value {
        switch (def.type) {
            case FieldType::String:
                if (def.size > 0 && text::length(s) > static_cast<std::size_t>(def.size))
                    s = text::substr(s, 0, static_cast<std::size_t>(def.size));
                return s;
            case FieldType::Integer: return StrToInt(s);
            case FieldType::Float: return ParseFloat(s);
            case FieldType::DateTime: return ParseDateTime(s);
            case FieldType::Boolean: {
                bool b = false;
                if (!ParseBoolean(s, b)) throw EConvertError("'" + s + "' is not a valid boolean value");
                return b;
            }
        }
        return {};
    });
}

Value FieldCodec::FromFloat(const FieldDef& def, double v) const {
    switch (def.type) {
        case FieldType::String: return FromText(def, FloatToStr(v, *fs_));
        case FieldType::Integer: return RoundToInteger(v, def.name);
        case FieldType::Float:
        case FieldType::DateTime: return v;
        case FieldType::Boolean: return v != 0;
    }
    return {};
}

Value FieldCodec::FromInteger(const FieldDef& def, long long v) const {
    switch (def.type) {
        case FieldType::String: return FromText(def, std::to_string(v));
        case FieldType::Integer: return v;
        case FieldType::Float:
        case FieldType::DateTime: return static_cast<double>(v);
        case FieldType::Boolean: return v != 0;
    }
    return {};
}

Value FieldCodec::FromDateTime(const FieldDef& def, TDateTime v) const {
    switch (def.type) {
        case FieldType::String: return FromText(def, DateTimeToStr(v, *fs_));
        case FieldType::Integer: return RoundToInteger(std::floor(v), def.name);
        case FieldType::Float:
        case FieldType::DateTime: return v;
        case FieldType::Boolean: throw EConvertError("Field '" + def.name + "' cannot hold a date-time");
    }
    return {};
}

Value FieldCodec::FromBoolean(const FieldDef& def, bool v) const {
    switch (def.type) {
        case FieldType::String: return FromText(def, v ? "True" : "False");
        case FieldType::Integer: return static_cast<long long>(v ? 1 : 0);
        case FieldType::Float: return v ? 1.0 : 0.0;
        case FieldType::DateTime: throw EConvertError("Field '" + def.name + "' cannot hold a boolean");
        case FieldType::Boolean: return v;
    }
    return {};
}

Value FieldCodec::SearchKey(const FieldDef& def, std::string_view raw) const {
    if (def.type != FieldType::String) return FromText(def, raw);
    std::string s = text::from_host(raw);
    if (s.empty()) return {};
    return s;
}

// ---- From the stored value ----------------------------------------------------------

std::string FieldCodec::ToText(const FieldDef& def, const Value& v) const {
    if (IsNull(v)) return {};
    switch (def.type) {
        case FieldType::String: return std::get<std::string>(v);
        case FieldType::Integer: return std::to_string(std::get<long long>(v));
        case FieldType::Float: return FloatToStr(std::get<double>(v), *fs_);
        case FieldType::DateTime: return DateTimeToStr(std::get<double>(v), *fs_);
        case FieldType::Boolean: return std::get<bool>(v) ? "True" : "False";
    }
    return {};
}

double FieldCodec::ToFloat(const FieldDef& def, const Value& v) const {
    if (IsNull(v)) return 0;
    if (const auto* s = std::get_if<std::string>(&v)) return NamingField(def, [&] { return ParseFloat(*s); });
    if (const auto* i = std::get_if<long long>(&v)) return static_cast<double>(*i);
    if (const auto* b = std::get_if<bool>(&v)) return *b ? 1 : 0;
    return std::get<double>(v);
}

long long FieldCodec::ToInteger(const FieldDef& def, const Value& v) const {
    if (const auto* i = std::get_if<long long>(&v)) return *i;
    if (const auto* s = std::get_if<std::string>(&v)) return NamingField(def, [&] { return StrToInt(*s); });
    return RoundToInteger(ToFloat(def, v), def.name);
}

TDateTime FieldCodec::ToDateTime(const FieldDef& def, const Value& v) const {
    if (const auto* s = std::get_if<std::string>(&v)) return NamingField(def, [&] { return ParseDateTime(*s); });
    if (std::holds_alternative<bool>(v)) throw EConvertError("Field '" + def.name + "' cannot be read as a date-time");
    return ToFloat(def, v);
}

bool FieldCodec::ToBoolean(const FieldDef& def, const Value& v) const {
    if (const auto* s = std::get_if<std::string>(&v)) {
        bool b = false;
        if (!ParseBoolean(*s, b)) throw EConvertError("Field '" + def.name + "': '" + *s + "' is not a valid boolean value");
        return b;
    }
    return ToFloat(def, v) != 0;
}

}  // namespace dru::detail
