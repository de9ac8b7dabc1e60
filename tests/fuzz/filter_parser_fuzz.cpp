// The filter parser and its evaluation, on a table holding a field of every
// type and rows with nulls. A filter that compiles is applied to every row;
// one that does not is refused with the table's error, the table as it was.
#include "fuzz/fuzz_targets.h"
#include "host/dataset.h"
#include "host/errors.h"
#include "host/routines.h"

namespace dru::fuzz {

namespace {

void Fill(TClientDataSet& ds) {
    ds.AddFieldDef("S", FieldType::String, 10);
    ds.AddFieldDef("IDTPBUTTON", FieldType::String, 1);
    ds.AddFieldDef("I", FieldType::Integer);
    ds.AddFieldDef("F", FieldType::Float);
    ds.AddFieldDef("D", FieldType::DateTime);
    ds.AddFieldDef("B", FieldType::Boolean);
    ds.CreateDataSet();
    const char* texts[] = {"A", "5", "", "E'OR"};
    for (int row = 0; row < 4; ++row) {
        ds.Append();
        if (*texts[row]) ds.FieldByName("S").SetAsString(texts[row]);
        ds.FieldByName("IDTPBUTTON").SetAsString(row % 2 ? "5" : "1");
        if (row != 2) ds.FieldByName("I").SetAsInteger(row * 7 - 5);
        if (row != 1) ds.FieldByName("F").SetAsFloat(row * 2.5);
        if (row != 3) ds.FieldByName("D").SetAsDateTime(45657 + row);
        if (row != 0) ds.FieldByName("B").SetAsBoolean(row % 2 == 1);
        ds.Post();
    }
}

}  // namespace

int filter_parser(const std::uint8_t* data, std::size_t size) {
    TClientDataSet table;
    Fill(table);
    SetTableFilter(table, "IDTPBUTTON = '5'");
    const std::string expression(Bytes(data, size));
    try {
        SetTableFilter(table, expression);
    } catch (const std::exception& e) {
        ExpectModuleError(e);
        if (table.Filter() != "IDTPBUTTON = '5'" || !table.Filtered() || table.RecordCount() != 2)
            Finding("a refused filter changed the table");
        return 0;
    }
    int seen = 0;
    for (table.First(); !table.Eof(); table.Next()) ++seen;
    if (seen != table.RecordCount() || seen > 4)
        Finding("the filtered view and its count disagree");
    return 0;
}

}  // namespace dru::fuzz
