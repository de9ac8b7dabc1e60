// The field codec of the in-memory table: conversion between the stored value
// of a field and text, numbers, date-times and flags, under the regional
// settings and the clock the table is bound to. Conversion errors raise
// EConvertError naming the field.
#pragma once
#include <optional>
#include <string>
#include <string_view>

#include "host/clock.h"
#include "host/dataset_value.h"
#include "host/errors.h"
#include "host/format.h"

namespace dru::detail {

// A date text whose value depends on today's year (a two-digit year, or day
// and month alone), read by a table that has no clock to tell the year.
class ENoClockForDate : public EConvertError {
public:
    using EConvertError::EConvertError;
};

class FieldCodec {
public:
    FieldCodec() = default;  // the fixed default settings, no clock
    FieldCodec(const FieldCodec&) = delete;
    FieldCodec& operator=(const FieldCodec&) = delete;

    // The caller's records, read at every conversion (not copied): the caller
    // keeps them alive while the codec is used.
    void Bind(const FormatSettings& fs, const Clock& clock);
    // A copy of `fs` kept here; the clock stays as it is.
    void UseCopy(const FormatSettings& fs);
    void SetClock(const Clock* clock) { clock_ = clock; }
    const FormatSettings& settings() const { return *fs_; }

    // Text to the field's type: cut to a text field's size, "" gives null.
    Value FromText(const FieldDef& def, std::string_view raw) const;
    Value FromFloat(const FieldDef& def, double v) const;
    Value FromInteger(const FieldDef& def, long long v) const;
    Value FromDateTime(const FieldDef& def, TDateTime v) const;
    Value FromBoolean(const FieldDef& def, bool v) const;

    // Null reads as "", 0 or false.
    std::string ToText(const FieldDef& def, const Value& v) const;
    double ToFloat(const FieldDef& def, const Value& v) const;
    long long ToInteger(const FieldDef& def, const Value& v) const;
    TDateTime ToDateTime(const FieldDef& def, const Value& v) const;
    bool ToBoolean(const FieldDef& def, const Value& v) const;

    // Locate's key for one field: like FromText, but a text is not cut to the
    // size (a longer key matches nothing); "" looks for null.
    Value SearchKey(const FieldDef& def, std::string_view raw) const;

    double ParseFloat(std::string_view text) const { return StrToFloat(text, *fs_); }
    // Without a clock, a text that needs today's year raises ENoClockForDate.
    TDateTime ParseDateTime(std::string_view text) const;

private:
    const FormatSettings* fs_ = &FixedFormatSettings();
    std::optional<FormatSettings> own_;  // the record UseCopy keeps
    const Clock* clock_ = nullptr;
};

}  // namespace dru::detail
