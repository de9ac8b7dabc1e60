// Filter expressions of the in-memory table: parsed once into a tree bound to
// the table's fields (literals already converted to each field's type), then
// evaluated per row.
//
// Syntax: comparisons = <> < > <= >=, AND, OR, NOT, parentheses, IS NULL,
// IS NOT NULL; text literals in single quotes ('' is a quote); unquoted
// numbers; field names bare or in brackets ([NAME]). Keywords ignore case and
// may follow a closing quote directly ("A = 'E'OR A = 'T'").
//
// Meaning: matching is case-sensitive. An unquoted number compared with a
// text field is compared as the text it is written as (IDTIPORECE = 5 matches
// "5", not "05"). A null field makes its comparison unknown: the row fails it,
// and NOT of an unknown is still unknown, so NOT (A = 'X') drops null rows
// just as A <> 'X' does; IS NULL is the one test a null passes.
//
// Literals convert once, when the expression is compiled, with the codec's
// regional settings and clock as they are then.
#pragma once
#include <memory>
#include <string_view>
#include <vector>

#include "host/dataset_codec.h"
#include "host/dataset_value.h"

namespace dru::filter {

// Parentheses and NOTs nest at most this deep: the parser and the evaluation
// recurse once per level, and the host's thread may have a small stack. The
// filters the operations set nest one level; a deeper one is refused.
inline constexpr int kMaxFilterNesting = 32;

struct Node;

class Program {
public:
    Program();
    ~Program();
    Program(Program&&) noexcept;
    Program& operator=(Program&&) noexcept;

    // Raises EDatabaseError: "Field 'X' not found" for a name the table
    // lacks, or a message with the 1-based character position of the fault
    // (also for a date literal that needs a clock the codec lacks, and for
    // the parenthesis or NOT one level deeper than kMaxFilterNesting).
    static Program Compile(std::string_view expression, const std::vector<FieldDef>& fields,
                           const detail::FieldCodec& codec);

    // An empty (blank) expression lets every row through.
    bool Matches(const std::vector<detail::Value>& row) const;

private:
    std::unique_ptr<Node> root_;
};

}  // namespace dru::filter
