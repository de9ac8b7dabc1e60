// Filters: the exact texts the operations set on the host's tables, the
// expression syntax around them, null handling, and refused filters.
#include <gtest/gtest.h>

#include <pthread.h>

#include <string>
#include <vector>

#include "host/dataset.h"
#include "host/dataset_filter.h"
#include "host/errors.h"
#include "host/routines.h"

namespace dru {
namespace {

// One table holding the fields every operation filters on; a row per case.
struct Rec {
    const char* key;  // KEY, the row's name in expectations
    const char* idtpimposfis;
    const char* idtipomovive;
    const char* idtiporece;
    const char* idtpbutton;
    const char* cdfpimpfis;  // nullptr: null
};

const std::vector<Rec> kRows = {
    {"a", "T", "E", "5", "5", "01"},  {"b", "I", "S", "7", "5", nullptr}, {"c", "I", "T", "05", "1", "02"},
    {"d", nullptr, "E", "1", "5", nullptr}, {"e", "F", "t", "9", "A", "03"}, {"f", "T", nullptr, "A", nullptr, ""},
};

void Fill(TClientDataSet& ds) {
    ds.AddFieldDef("KEY", FieldType::String, 1);
    ds.AddFieldDef("IDTPIMPOSFIS", FieldType::String, 1);
    ds.AddFieldDef("IDTIPOMOVIVE", FieldType::String, 1);
    ds.AddFieldDef("IDTIPORECE", FieldType::String, 2);
    ds.AddFieldDef("IDTPBUTTON", FieldType::String, 1);
    ds.AddFieldDef("CDFPIMPFIS", FieldType::String, 10);
    ds.AddFieldDef("VRMOVIVEND", FieldType::Float);
    ds.CreateDataSet();
    double amount = 0;
    for (const Rec& r : kRows) {
        ds.Append();
        ds.FieldByName("KEY").SetAsString(r.key);
        const char* const values[] = {r.idtpimposfis, r.idtipomovive, r.idtiporece, r.idtpbutton, r.cdfpimpfis};
        const char* const names[] = {"IDTPIMPOSFIS", "IDTIPOMOVIVE", "IDTIPORECE", "IDTPBUTTON", "CDFPIMPFIS"};
        for (int i = 0; i < 5; ++i)
            if (values[i]) ds.FieldByName(names[i]).SetAsString(values[i]);
        ds.FieldByName("VRMOVIVEND").SetAsFloat(amount += 100);
        ds.Post();
    }
}

std::string Visible(TClientDataSet& ds) {
    std::string keys;
    for (ds.First(); !ds.Eof(); ds.Next()) keys += ds.FieldByName("KEY").AsString();
    return keys;
}

std::string Apply(TClientDataSet& ds, const std::string& filter) {
    ds.SetFiltered(false);
    ds.SetFilter(filter);
    ds.SetFiltered(true);
    return Visible(ds);
}

TEST(DataSetFilter, EveryFilterTextTheOperationsSet) {
    TClientDataSet ds;
    Fill(ds);
    const struct {
        const char* filter;
        const char* rows;
    } cases[] = {
        {"IDTPIMPOSFIS <> 'I'", "aef"},  // null IDTPIMPOSFIS (d) fails the comparison
        {"IDTPIMPOSFIS = 'I'", "bc"},
        {"IDTPIMPOSFIS <> 'T'", "bce"},
        {"IDTIPOMOVIVE = 'E'OR IDTIPOMOVIVE = 'T'", "acd"},  // case-sensitive: "t" of e is out
        {"IDTIPORECE = 5 OR IDTIPORECE = 7", "ab"},          // "05" is not 5 on a text field
        {"IDTPBUTTON = '5'", "abd"},
        {"CDFPIMPFIS IS NULL", "bdf"},  // an empty text stored is null
        {"CDFPIMPFIS IS NOT NULL", "ace"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Apply(ds, c.filter), c.rows) << c.filter;
        EXPECT_EQ(ds.RecordCount(), static_cast<int>(std::string(c.rows).size())) << c.filter;
    }
    ds.SetFiltered(false);
    EXPECT_EQ(Visible(ds), "abcdef");
}

TEST(DataSetFilter, ExpressionSyntax) {
    TClientDataSet ds;
    Fill(ds);
    const struct {
        const char* filter;
        const char* rows;
    } cases[] = {
        {"idtpbutton = '5' and not (IDTIPORECE = '5')", "bd"},
        {"NOT IDTPIMPOSFIS = 'I'", "aef"},  // NOT of a null comparison still drops d
        {"(IDTPBUTTON='5' OR IDTPBUTTON='1')AND CDFPIMPFIS IS NOT NULL", "ac"},
        {"[KEY] >= 'c' AND KEY < 'e'", "cd"},
        {"VRMOVIVEND > 250.5", "cdef"},
        {"VRMOVIVEND <= 200 OR VRMOVIVEND = -1", "ab"},
        {"KEY = 'a' OR KEY = 'b' AND KEY = 'c'", "a"},  // AND binds tighter than OR
        {"   ", "abcdef"},
        {"IDTIPORECE = '5'", "a"},
        {"IDTIPORECE <> 5", "bcdef"},
        {"5 = IDTIPORECE", "a"},
    };
    for (const auto& c : cases) EXPECT_EQ(Apply(ds, c.filter), c.rows) << c.filter;
}

TEST(DataSetFilter, QuotedLiteralsKeepQuotesAndCase) {
    TClientDataSet ds;
    ds.AddFieldDef("NMTIPORECE", FieldType::String, 40);
    ds.CreateDataSet();
    for (const char* name : {"D'AGOSTINO", "Efectivo", "EFECTIVO"}) {
        ds.Append();
        ds.FieldByName("NMTIPORECE").SetAsString(name);
        ds.Post();
    }
    ds.SetFilter("NMTIPORECE = 'D''AGOSTINO'");
    ds.SetFiltered(true);
    EXPECT_EQ(ds.RecordCount(), 1);
    ds.SetFilter("NMTIPORECE = 'EFECTIVO'");
    EXPECT_EQ(ds.RecordCount(), 1);
    ds.First();
    EXPECT_EQ(ds.FieldByName("NMTIPORECE").AsString(), "EFECTIVO");
}

TEST(DataSetFilter, ABadFilterIsRefusedAndTheOldOneStays) {
    TClientDataSet ds;
    Fill(ds);
    Apply(ds, "IDTPBUTTON = '5'");
    const struct {
        const char* filter;
        const char* message_part;
    } cases[] = {
        {"NOFIELD = '5'", "Field 'NOFIELD' not found"},
        {"IDTPBUTTON = '5", "unclosed quote at position 14"},
        {"IDTPBUTTON = ", "expected a value, found the end at position 14"},
        {"IDTPBUTTON '5'", "expected a comparison at position 12"},
        {"(IDTPBUTTON = '5'", "expected ')' at position 18"},
        {"IDTPBUTTON = '5' OR", "at position 20"},
        {"IDTPBUTTON == '5'", "at position 13"},
        {"IDTPBUTTON = '5' ; DROP", "unexpected character ';' at position 18"},
        {"VRMOVIVEND = 'abc'", "'abc' is not a number"},
        {"IDTPBUTTON IS 5", "expected NULL"},
    };
    for (const auto& c : cases) {
        try {
            ds.SetFilter(c.filter);
            ADD_FAILURE() << "accepted: " << c.filter;
        } catch (const EDatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message_part), std::string::npos) << e.what();
        }
        EXPECT_EQ(ds.Filter(), "IDTPBUTTON = '5'");
        EXPECT_EQ(ds.RecordCount(), 3);
    }
}

// Every cut of a valid filter either compiles or is refused with the table's error.
TEST(DataSetFilter, EveryTruncatedFilterIsHandled) {
    TClientDataSet ds;
    Fill(ds);
    const std::string text = "(IDTIPOMOVIVE = 'E'OR NOT [IDTIPORECE] <= -5.5) AND CDFPIMPFIS IS NOT NULL";
    for (std::size_t n = 0; n <= text.size(); ++n) {
        ds.SetFiltered(false);
        ds.SetFilter(text.substr(0, n));
        try {
            ds.SetFiltered(true);
        } catch (const EDatabaseError&) {
            EXPECT_FALSE(ds.Filtered());
        }
    }
}

TEST(DataSetFilter, AFilterOnATableWithoutFieldsNamesTheField) {
    TClientDataSet ds;
    ds.SetFilter("CDFPIMPFIS IS NOT NULL");
    EXPECT_THROW(
        {
            try {
                ds.SetFiltered(true);
            } catch (const EDatabaseError& e) {
                EXPECT_STREQ(e.what(), "Field 'CDFPIMPFIS' not found");
                throw;
            }
        },
        EDatabaseError);
    EXPECT_FALSE(ds.Filtered());
}

TEST(DataSetFilter, PostedRowsJoinAndLeaveTheView) {
    TClientDataSet ds;
    Fill(ds);
    Apply(ds, "CDFPIMPFIS IS NULL");  // b d f
    // The completion walk of the payment-type loading: code the null rows.
    ds.First();
    int coded = 0;
    while (!ds.Eof()) {
        ds.Edit();
        ds.FieldByName("CDFPIMPFIS").SetAsString("09");
        ds.Post();  // the row leaves the view; the cursor is on the next one
        ++coded;
    }
    EXPECT_EQ(coded, 3);
    EXPECT_TRUE(ds.IsEmpty());
    ds.Append();
    ds.FieldByName("KEY").SetAsString("g");
    ds.Post();  // a new null-coded row passes the filter
    EXPECT_EQ(Visible(ds), "g");
    ds.SetFiltered(false);
    EXPECT_EQ(Visible(ds), "abcdefg");
}

TEST(DataSetFilter, FilterOnDatesAndBooleans) {
    TClientDataSet ds;
    ds.AddFieldDef("DTREDUCAOZ", FieldType::DateTime);
    ds.AddFieldDef("ATIVO", FieldType::Boolean);
    ds.CreateDataSet();
    for (int day : {45656, 45657, 45658}) {
        ds.Append();
        ds.FieldByName("DTREDUCAOZ").SetAsDateTime(day);
        ds.FieldByName("ATIVO").SetAsBoolean(day != 45657);
        ds.Post();
    }
    FormatSettings fs;  // dd-MM-yyyy
    ds.SetFormatSettings(fs);
    ds.SetFilter("DTREDUCAOZ >= '31-12-2024'");
    ds.SetFiltered(true);
    EXPECT_EQ(ds.RecordCount(), 2);
    ds.SetFilter("ATIVO = 'TRUE' AND DTREDUCAOZ < 45658");
    EXPECT_EQ(ds.RecordCount(), 1);
}


// ---- Bounds: the parser recurses once per parenthesis or NOT, so nesting
// has a limit; AND and OR chains are loops and have none.

std::string Repeat(const std::string& piece, int n) {
    std::string out;
    for (int i = 0; i < n; ++i) out += piece;
    return out;
}

// `levels` parentheses around one comparison.
std::string Parenthesised(int levels) {
    return Repeat("(", levels) + "IDTPBUTTON = '5'" + Repeat(")", levels);
}

std::string RefusalOf(TClientDataSet& ds, const std::string& filter) {
    try {
        SetTableFilter(ds, filter);
    } catch (const EDatabaseError& e) {
        return e.what();
    }
    return "accepted";
}

bool EndsWith(const std::string& text, const std::string& end) { return text.ends_with(end); }

TEST(DataSetFilterBounds, NestingBeyondTheLimitIsRefusedAtItsPosition) {
    TClientDataSet ds;
    Fill(ds);
    SetTableFilter(ds, "IDTPBUTTON = '5'");
    ds.First();
    ds.Next();  // on b
    constexpr int kLimit = filter::kMaxFilterNesting;
    const std::string levels = std::to_string(kLimit) + " levels at position ";
    // The host's probes: 8,878 parentheses (17.8 KB) and 74,822 NOTs.
    EXPECT_TRUE(EndsWith(RefusalOf(ds, Parenthesised(8878)), levels + std::to_string(kLimit + 1)));
    EXPECT_TRUE(EndsWith(RefusalOf(ds, Repeat("NOT ", 74822) + "KEY = 'a'"), levels + std::to_string(4 * kLimit + 1)));
    // Both kinds count toward the one limit, wherever the deep part is.
    EXPECT_TRUE(EndsWith(RefusalOf(ds, "KEY = 'a' OR " + Repeat("NOT (", kLimit) + "KEY = 'b'" + Repeat(")", kLimit)),
                         levels + std::to_string(13 + 5 * (kLimit / 2) + 1)));
    // Refused: the filter, the view and the cursor are as they were.
    EXPECT_EQ(ds.Filter(), "IDTPBUTTON = '5'");
    EXPECT_TRUE(ds.Filtered());
    EXPECT_EQ(ds.FieldByName("KEY").AsString(), "b");
    EXPECT_EQ(Visible(ds), "abd");
}

TEST(DataSetFilterBounds, NestingUpToTheLimitIsAccepted) {
    TClientDataSet ds;
    Fill(ds);
    constexpr int kLimit = filter::kMaxFilterNesting;
    EXPECT_EQ(Apply(ds, Parenthesised(kLimit)), "abd");
    EXPECT_EQ(Apply(ds, Repeat("NOT ", kLimit) + "IDTPBUTTON = '5'"), "abd");  // an even count
    EXPECT_EQ(Apply(ds, Repeat("NOT ", kLimit - 1) + "IDTPBUTTON = '5'"), "ce");  // f's null stays out
}

TEST(DataSetFilterBounds, LongChainsAreWalkedWithoutRecursion) {
    TClientDataSet ds;
    Fill(ds);
    // 100,000 operands (2 MB of text): one OR chain, one AND chain.
    const std::string never = Repeat("KEY = 'z' OR ", 99999);
    EXPECT_EQ(Apply(ds, never + "KEY = 'c'"), "c");
    EXPECT_EQ(Apply(ds, Repeat("VRMOVIVEND > 0 AND ", 99999) + "IDTPBUTTON = '5'"), "abd");
    // Three-valued logic along a chain: a null operand leaves it unknown
    // unless a decisive operand settles it.
    EXPECT_EQ(Apply(ds, "KEY <> 'z' AND IDTPIMPOSFIS <> 'x' AND CDFPIMPFIS <> 'x'"), "ace");
    EXPECT_EQ(Apply(ds, "CDFPIMPFIS = 'x' OR IDTPIMPOSFIS = 'x' OR KEY = 'd'"), "d");
    EXPECT_EQ(Apply(ds, "NOT (CDFPIMPFIS = 'x' OR KEY = 'b')"), "ace");  // b, d, f: unknown or true
}

// A host thread with a small stack: the deepest accepted filter compiles and
// the deepest probe is refused, neither overflowing it.
TEST(DataSetFilterBounds, ASmallThreadStackIsEnough) {
    struct Outcome {
        std::string accepted, refused;
    } outcome;
    auto body = [](void* arg) -> void* {
        auto& out = *static_cast<Outcome*>(arg);
        TClientDataSet ds;
        Fill(ds);
        out.accepted = Apply(ds, Parenthesised(filter::kMaxFilterNesting));
        out.refused = RefusalOf(ds, Parenthesised(8878));
        return nullptr;
    };
    constexpr std::size_t kSmallStack = 256 * 1024;  // room for the sanitizers' larger frames too
    pthread_attr_t attr;
    ASSERT_EQ(pthread_attr_init(&attr), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attr, kSmallStack), 0);
    pthread_t thread;
    ASSERT_EQ(pthread_create(&thread, &attr, body, &outcome), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
    EXPECT_EQ(outcome.accepted, "abd");
    EXPECT_NE(outcome.refused.find("nested deeper than"), std::string::npos) << outcome.refused.substr(0, 80);
}

}  // namespace
}  // namespace dru
