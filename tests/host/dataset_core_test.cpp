// The table's cursor, edit states, field values, indexes, Locate and copies.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/dataset.h"
#include "host/dataset_value.h"

namespace dru {
namespace {

void MakeTypes(TClientDataSet& ds) {
    ds.AddFieldDef("CDTIPORECE", FieldType::String, 3);
    ds.AddFieldDef("NMTIPORECE", FieldType::String, 40);
    ds.AddFieldDef("VRMOVIVEND", FieldType::Float);
    ds.CreateDataSet();
}

void AddRow(TClientDataSet& ds, const std::string& code, const std::string& name, double amount = 0) {
    ds.Append();
    ds.FieldByName("CDTIPORECE").SetAsString(code);
    ds.FieldByName("NMTIPORECE").SetAsString(name);
    ds.FieldByName("VRMOVIVEND").SetAsFloat(amount);
    ds.Post();
}

std::string Codes(TClientDataSet& ds) {
    std::string out;
    for (ds.First(); !ds.Eof(); ds.Next()) out += ds.FieldByName("CDTIPORECE").AsString() + " ";
    return out;
}

TEST(DataSetCursor, WalkAndEnds) {
    TClientDataSet ds;
    MakeTypes(ds);
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.RecNo(), 0);
    EXPECT_TRUE(ds.FieldByName("NMTIPORECE").IsNull());  // empty view reads null
    AddRow(ds, "1", "EFECTIVO");
    AddRow(ds, "2", "CHEQUE");
    AddRow(ds, "3", "TARJETA");
    EXPECT_EQ(ds.RecNo(), 3);  // on the appended row
    ds.First();
    EXPECT_TRUE(ds.Bof());
    EXPECT_FALSE(ds.Eof());
    ds.Next();
    EXPECT_EQ(ds.RecNo(), 2);
    ds.Last();
    EXPECT_TRUE(ds.Eof());
    EXPECT_EQ(ds.FieldByName("CDTIPORECE").AsString(), "3");
    ds.Prior();
    EXPECT_EQ(ds.RecNo(), 2);
    ds.Prior();
    ds.Prior();
    EXPECT_TRUE(ds.Bof());
    EXPECT_EQ(ds.RecNo(), 1);
    EXPECT_EQ(ds.RecordCount(), 3);
}

TEST(DataSetEditing, InsertAtCursorAppendEditCancelDelete) {
    TClientDataSet ds;
    MakeTypes(ds);
    AddRow(ds, "1", "A");
    AddRow(ds, "3", "C");
    ds.First();
    ds.Next();
    ds.Insert();  // before "3"
    ds.FieldByName("CDTIPORECE").SetAsString("2");
    ds.Post();
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_EQ(Codes(ds), "1 2 3 ");

    ds.First();
    ds.Edit();
    ds.FieldByName("CDTIPORECE").SetAsString("9");
    EXPECT_EQ(ds.FieldByName("CDTIPORECE").AsString(), "9");
    ds.Cancel();  // the edited values come back
    EXPECT_EQ(ds.FieldByName("CDTIPORECE").AsString(), "1");

    ds.Append();
    ds.Cancel();  // the appended row goes
    EXPECT_EQ(ds.RecordCount(), 3);

    ds.First();
    ds.Delete();
    EXPECT_EQ(ds.FieldByName("CDTIPORECE").AsString(), "2");  // on the row that followed
    ds.Last();
    ds.Delete();
    EXPECT_TRUE(ds.Eof());  // the last row went
    EXPECT_EQ(Codes(ds), "2 ");
    ds.Delete();
    EXPECT_TRUE(ds.IsEmpty());
    EXPECT_THROW(ds.Delete(), EDatabaseError);
}

TEST(DataSetEditing, MovingWhileEditingPostsChangesAndDropsUntouchedInserts) {
    TClientDataSet ds;
    MakeTypes(ds);
    AddRow(ds, "1", "A");
    AddRow(ds, "2", "B");
    ds.First();
    ds.Edit();
    ds.FieldByName("NMTIPORECE").SetAsString("CHANGED");
    ds.Next();  // posts
    EXPECT_EQ(ds.State(), DataSetState::Browse);
    ds.First();
    EXPECT_EQ(ds.FieldByName("NMTIPORECE").AsString(), "CHANGED");

    ds.Append();  // untouched
    ds.First();
    EXPECT_EQ(ds.RecordCount(), 2);
    ds.Insert();
    ds.FieldByName("CDTIPORECE").SetAsString("0");
    ds.Last();  // touched: posted
    EXPECT_EQ(ds.RecordCount(), 3);
    EXPECT_EQ(Codes(ds), "0 1 2 ");
}

TEST(DataSetEditing, StateRules) {
    TClientDataSet ds;
    MakeTypes(ds);
    EXPECT_THROW(ds.Post(), EDatabaseError);  // Post without Insert or Edit
    EXPECT_THROW(ds.FieldByName("CDTIPORECE").SetAsString("1"), EDatabaseError);  // outside edit
    ds.Edit();  // an empty table starts an insert
    EXPECT_EQ(ds.State(), DataSetState::Insert);
    ds.FieldByName("CDTIPORECE").SetAsString("1");
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 1);
    EXPECT_THROW(ds.FieldByName("NOFIELD"), EDatabaseError);
    try {
        ds.FieldByName("NOFIELD");
    } catch (const EDatabaseError& e) {
        EXPECT_STREQ(e.what(), "Field 'NOFIELD' not found");
    }
    EXPECT_TRUE(ds.HasField("nmtiporece"));  // names ignore case
    ds.Close();
    EXPECT_FALSE(ds.Active());
    EXPECT_THROW(ds.First(), EDatabaseError);
    ds.CreateDataSet();  // the definitions were kept
    EXPECT_TRUE(ds.IsEmpty());
}

TEST(DataSetFields, ValuesAndConversions) {
    TClientDataSet ds;
    FormatSettings fs;  // decimal ",", dates dd-MM-yyyy
    ds.SetFormatSettings(fs);
    ds.AddFieldDef("S", FieldType::String, 5);
    ds.AddFieldDef("I", FieldType::Integer);
    ds.AddFieldDef("F", FieldType::Float);
    ds.AddFieldDef("D", FieldType::DateTime);
    ds.AddFieldDef("B", FieldType::Boolean);
    ds.CreateDataSet();
    ds.Append();
    ds.FieldByName("S").SetAsString("Ñandú largo");  // cut to 5 characters, never inside one
    ds.FieldByName("I").SetAsString("42");
    ds.FieldByName("F").SetAsString("1,5");
    ds.FieldByName("D").SetAsDateTime(45657.5);
    ds.FieldByName("B").SetAsString("true");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("S").AsString(), "Ñandú");
    EXPECT_EQ(ds.FieldByName("I").AsInteger(), 42);
    EXPECT_EQ(ds.FieldByName("F").AsString(), "1,5");
    EXPECT_DOUBLE_EQ(ds.FieldByName("F").AsFloat(), 1.5);
    EXPECT_EQ(ds.FieldByName("D").AsString(), "31-12-2024 12:00:00");
    EXPECT_TRUE(ds.FieldByName("B").AsBoolean());
    EXPECT_EQ(ds.FieldByName("B").AsString(), "True");

    ds.Edit();
    ds.FieldByName("S").SetAsString(std::string("caf\xE9", 4));  // not UTF-8: read as Latin-1
    EXPECT_EQ(ds.FieldByName("S").AsString(), "café");
    EXPECT_THROW(ds.FieldByName("I").SetAsString("12abc"), EConvertError);  // refused, value kept
    EXPECT_EQ(ds.FieldByName("I").AsInteger(), 42);
    EXPECT_THROW(ds.FieldByName("F").SetAsString("x"), EConvertError);
    EXPECT_THROW(ds.FieldByName("D").SetAsString("31-04-2024"), EConvertError);
    EXPECT_THROW(ds.FieldByName("B").SetAsString("maybe"), EConvertError);
    ds.FieldByName("F").SetAsString("");  // the empty text is null
    ds.FieldByName("I").Clear();
    ds.Post();
    EXPECT_TRUE(ds.FieldByName("F").IsNull());
    EXPECT_EQ(ds.FieldByName("F").AsFloat(), 0);
    EXPECT_EQ(ds.FieldByName("F").AsString(), "");
    EXPECT_EQ(ds.FieldByName("I").AsInteger(), 0);
}

TEST(DataSetLocate, ExactIgnoringCaseAndOnTwoFields) {
    TClientDataSet ds;
    MakeTypes(ds);
    AddRow(ds, "1", "Efectivo");
    AddRow(ds, "2", "TARJETA CRÉDITO");
    AddRow(ds, "3", "efectivo", 7);
    ds.First();
    EXPECT_FALSE(ds.Locate("NMTIPORECE", {"EFECTIVO"}));
    EXPECT_EQ(ds.RecNo(), 1);  // stays on failure
    EXPECT_TRUE(ds.Locate("NMTIPORECE", {"EFECTIVO"}, true));
    EXPECT_EQ(ds.FieldByName("CDTIPORECE").AsString(), "1");  // the first match
    EXPECT_TRUE(ds.Locate("NMTIPORECE", {"tarjeta crédito"}, true));  // accented letters fold too
    EXPECT_EQ(ds.RecNo(), 2);
    EXPECT_TRUE(ds.Locate("NMTIPORECE;VRMOVIVEND", {"EFECTIVO", "7"}, true));
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_FALSE(ds.Locate("CDTIPORECE", {""}));  // no null code
    EXPECT_EQ(ds.RecNo(), 3);
    EXPECT_THROW(ds.Locate("NOFIELD", {"1"}), EDatabaseError);
    EXPECT_THROW(ds.Locate("CDTIPORECE;NMTIPORECE", {"1"}), EDatabaseError);

    ds.SetFilter("CDTIPORECE <> '1'");
    ds.SetFiltered(true);
    EXPECT_TRUE(ds.Locate("NMTIPORECE", {"EFECTIVO"}, true));  // visible rows only
    EXPECT_EQ(ds.FieldByName("CDTIPORECE").AsString(), "3");
}

TEST(DataSetIndex, OrdersTheViewAndKeepsItOrderedThroughPosts) {
    TClientDataSet ds;
    MakeTypes(ds);
    ds.AddIndex({"IDXCD", "CDTIPORECE", false, false, false, ""});
    ds.AddIndex({"IDXDESC", "NMTIPORECE;CDTIPORECE", false, true, false, "CDTIPORECE"});
    ds.AddIndex({"IDXALL", "VRMOVIVEND", true, false, false, ""});
    AddRow(ds, "30", "b", 1);
    AddRow(ds, "10", "A", 3);
    AddRow(ds, "20", "B", 2);
    AddRow(ds, "40", "a", 2);
    ds.SetIndexName("IDXCD");
    EXPECT_EQ(Codes(ds), "10 20 30 40 ");
    ds.SetIndexName("IDXDESC");  // name ignoring case, then code descending
    EXPECT_EQ(Codes(ds), "40 10 30 20 ");
    ds.SetIndexName("IDXALL");  // equal keys keep the table's order
    EXPECT_EQ(Codes(ds), "10 20 40 30 ");

    ds.SetIndexName("IDXCD");
    ds.First();
    ds.Edit();
    ds.FieldByName("CDTIPORECE").SetAsString("35");
    ds.Post();
    EXPECT_EQ(ds.FieldByName("CDTIPORECE").AsString(), "35");  // the cursor follows the row
    EXPECT_EQ(ds.RecNo(), 3);
    AddRow(ds, "05", "z");
    EXPECT_EQ(Codes(ds), "05 20 30 35 40 ");
    ds.SetIndexName("");
    EXPECT_EQ(Codes(ds), "30 35 20 40 05 ");
    EXPECT_THROW(ds.SetIndexName("NOINDEX"), EDatabaseError);
}

TEST(DataSetIndex, UniqueIndexRefusesADuplicateKey) {
    TClientDataSet ds;
    MakeTypes(ds);
    ds.AddIndex({"PK", "CDTIPORECE", false, false, true, ""});
    ds.SetIndexName("PK");
    AddRow(ds, "1", "A");
    ds.Append();
    ds.FieldByName("CDTIPORECE").SetAsString("1");
    EXPECT_THROW(ds.Post(), EDatabaseError);
    EXPECT_EQ(ds.State(), DataSetState::Insert);  // still editing: the caller may fix it
    ds.FieldByName("CDTIPORECE").SetAsString("2");
    ds.Post();
    EXPECT_EQ(ds.RecordCount(), 2);
}

TEST(DataSetCopy, CopiesFieldsAndEveryRowButNotFilterOrIndex) {
    TClientDataSet src;
    MakeTypes(src);
    AddRow(src, "2", "B");
    AddRow(src, "1", "A");
    src.AddIndex({"IDXCD", "CDTIPORECE", false, false, false, ""});
    src.SetIndexName("IDXCD");
    src.SetFilter("CDTIPORECE = '1'");
    src.SetFiltered(true);

    TClientDataSet dst;  // no stored fields: takes the structure from the copy
    dst.AddIndex({"IDXNAME", "NMTIPORECE", true, false, false, ""});
    dst.SetIndexName("IDXNAME");  // declared before its field exists
    dst.CopyFrom(src);
    EXPECT_EQ(dst.FieldDefs().size(), 3u);
    EXPECT_FALSE(dst.Filtered());
    EXPECT_EQ(dst.RecordCount(), 2);  // the filtered-out row came too
    EXPECT_EQ(Codes(dst), "2 1 ");    // its own index: names descending

    dst.First();
    dst.Edit();
    dst.FieldByName("NMTIPORECE").SetAsString("Z");
    dst.Post();
    src.SetFiltered(false);
    src.First();
    EXPECT_EQ(src.FieldByName("NMTIPORECE").AsString(), "A");  // rows are copies

    TClientDataSet closed;
    EXPECT_THROW(dst.CopyFrom(closed), EDatabaseError);
    EXPECT_EQ(dst.RecordCount(), 2);
}

TEST(DataSetCopy, AFieldReferenceFollowsItsName) {
    TClientDataSet a;
    MakeTypes(a);
    TField& name = a.FieldByName("NMTIPORECE");
    TClientDataSet b;
    b.AddFieldDef("NMTIPORECE", FieldType::String, 10);
    b.CreateDataSet();
    b.Append();
    b.FieldByName("NMTIPORECE").SetAsString("X");
    b.Post();
    a.CopyFrom(b);
    EXPECT_EQ(name.AsString(), "X");
    TClientDataSet c;
    c.AddFieldDef("OTHER", FieldType::String, 1);
    c.CreateDataSet();
    a.CopyFrom(c);
    EXPECT_THROW(name.AsString(), EDatabaseError);  // the field is gone
}

}  // namespace
}  // namespace dru

namespace dru {
namespace {

// The table's row sequence against a plain vector, through random edits.
TEST(DataSetRows, GapVectorMatchesAPlainVector) {
    detail::GapVector<int> gap;
    std::vector<int> plain;
    unsigned seed = 12345;
    auto next = [&seed](unsigned n) { return (seed = seed * 1103515245u + 12345u) / 65536u % n; };
    for (int step = 0; step < 5000; ++step) {
        const unsigned at = next(static_cast<unsigned>(plain.size()) + 1);
        if (plain.empty() || next(3) != 0) {
            gap.insert(at, step);
            plain.insert(plain.begin() + at, step);
        } else {
            const unsigned i = at % plain.size();
            gap.erase(i);
            plain.erase(plain.begin() + i);
        }
        ASSERT_EQ(gap.size(), plain.size());
    }
    for (std::size_t i = 0; i < plain.size(); ++i) ASSERT_EQ(gap[i], plain[i]) << i;
}

}  // namespace
}  // namespace dru
