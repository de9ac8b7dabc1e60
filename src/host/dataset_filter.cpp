#include "host/dataset_filter.h"

#include <charconv>
#include <cstdint>
#include <string>

#include "host/errors.h"
#include "host/text.h"

namespace dru::filter {
namespace {

using detail::Value;

enum class Tok { End, Name, Text, Number, Minus, LParen, RParen, Op, And, Or, Not, Is, Null };
enum class CmpOp { Eq, Ne, Lt, Gt, Le, Ge };
// How the two sides of a comparison are compared, fixed when the filter is bound.
enum class CmpKind { Text, Number, Flag };
enum class Tri { False, True, Unknown };

struct Token {
    Tok kind = Tok::End;
    std::string text;  // name, literal (unescaped) or operator
    std::size_t pos = 0;  // byte offset in the expression
};

bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

struct Side {
    int field = -1;  // -1: a literal
    std::string text;
    double number = 0;
    bool flag = false;
};

// AND and OR hold their whole chain of operands ("A AND B AND C" is one node
// of three), so a long chain is walked in a loop: only parentheses and NOT,
// which the parser bounds, make the tree deeper.
struct Node {
    enum class Kind { And, Or, Not, Compare, IsNull, IsNotNull, Const } kind = Kind::Const;
    CmpOp op = CmpOp::Eq;
    CmpKind cmp = CmpKind::Text;
    Side a, b;
    Tri constant = Tri::True;
    std::vector<std::unique_ptr<Node>> operands;  // AND, OR: the chain; NOT: the one negated
};

namespace {

Tri CompareSides(const Node& n, const Side& a, const Side& b, const std::vector<Value>* row = nullptr);
Tri EvalChain(const Node& n, const std::vector<Value>& row, Tri decisive);

class Parser {
public:
    Parser(std::string_view expr, const std::vector<FieldDef>& fields, const detail::FieldCodec& codec)
        : expr_(expr), fields_(fields), codec_(codec) {
        Advance();
    }

    std::unique_ptr<Node> ParseAll() {
        auto node = ParseOr();
        if (tok_.kind != Tok::End) Fail("unexpected '" + tok_.text + "'", tok_.pos);
        return node;
    }

private:
    struct Operand {
        int field = -1;
        Token literal;
    };

    [[noreturn]] void Fail(const std::string& what, std::size_t byte_pos) const {
        const std::size_t position = text::length(expr_.substr(0, byte_pos)) + 1;
        throw EDatabaseError("Invalid filter \"" + std::string(expr_) + "\": " + what + " at position " +
                             std::to_string(position));
    }

    void Advance() { tok_ = Lex(); }

    Token Lex() {
        while (at_ < expr_.size() && (expr_[at_] == ' ' || expr_[at_] == '\t' || expr_[at_] == '\r' || expr_[at_] == '\n'))
            ++at_;
        Token t;
        t.pos = at_;
        if (at_ >= expr_.size()) return t;
        const char c = expr_[at_];
        if (c == '\'') return LexText(t);
        if (c == '[') {
            const std::size_t close = expr_.find(']', at_ + 1);
            if (close == std::string_view::npos) Fail("unclosed '['", at_);
            t.kind = Tok::Name;
            t.text = std::string(expr_.substr(at_ + 1, close - at_ - 1));
            at_ = close + 1;
            return t;
        }
        if (IsDigit(c) || (c == '.' && at_ + 1 < expr_.size() && IsDigit(expr_[at_ + 1]))) return LexNumber(t);
        if (IsNameStart(static_cast<unsigned char>(c))) return LexWord(t);
        ++at_;
        switch (c) {
            case '(': t.kind = Tok::LParen; t.text = "("; return t;
            case ')': t.kind = Tok::RParen; t.text = ")"; return t;
            case '-': t.kind = Tok::Minus; t.text = "-"; return t;
            case '=': t.kind = Tok::Op; t.text = "="; return t;
            case '<':
            case '>':
                t.kind = Tok::Op;
                t.text = c;
                if (at_ < expr_.size() && (expr_[at_] == '=' || (c == '<' && expr_[at_] == '>'))) t.text += expr_[at_++];
                return t;
            default: break;
        }
        Fail(std::string("unexpected character '") + c + "'", t.pos);
    }

    Token LexText(Token t) {
        t.kind = Tok::Text;
        for (std::size_t i = at_ + 1;; ++i) {
            if (i >= expr_.size()) Fail("unclosed quote", t.pos);
            if (expr_[i] != '\'') {
                t.text += expr_[i];
                continue;
            }
            if (i + 1 < expr_.size() && expr_[i + 1] == '\'') {  // '' stands for one quote
                t.text += '\'';
                ++i;
                continue;
            }
            at_ = i + 1;
            return t;
        }
    }

    Token LexNumber(Token t) {
        t.kind = Tok::Number;
        bool point = false;
        while (at_ < expr_.size() && (IsDigit(expr_[at_]) || (expr_[at_] == '.' && !point))) {
            point = point || expr_[at_] == '.';
            t.text += expr_[at_++];
        }
        if (at_ < expr_.size() && IsNameStart(static_cast<unsigned char>(expr_[at_])))
            Fail("malformed number", t.pos);
        return t;
    }

    Token LexWord(Token t) {
        while (at_ < expr_.size() && IsNameChar(static_cast<unsigned char>(expr_[at_]))) t.text += expr_[at_++];
        const std::string up = text::upper_ascii(t.text);
        t.kind = up == "AND" ? Tok::And : up == "OR" ? Tok::Or : up == "NOT" ? Tok::Not : up == "IS" ? Tok::Is
               : up == "NULL" ? Tok::Null : Tok::Name;
        return t;
    }

    // One level of parentheses or NOT, counted while the parser is inside it.
    class Nesting {
    public:
        explicit Nesting(Parser& p) : p_(p) {
            if (++p_.depth_ > kMaxFilterNesting)
                p_.Fail("nested deeper than " + std::to_string(kMaxFilterNesting) + " levels", p_.tok_.pos);
        }
        ~Nesting() { --p_.depth_; }
        Nesting(const Nesting&) = delete;
        Nesting& operator=(const Nesting&) = delete;

    private:
        Parser& p_;
    };

    // The operands joined by `joiner` (AND or OR) into one node; a single
    // operand stands for itself.
    template <class ParseOperandFn>
    std::unique_ptr<Node> ParseChain(Tok joiner, Node::Kind kind, ParseOperandFn parse_operand) {
        auto first = (this->*parse_operand)();
        if (tok_.kind != joiner) return first;
        auto chain = std::make_unique<Node>();
        chain->kind = kind;
        chain->operands.push_back(std::move(first));
        while (tok_.kind == joiner) {
            Advance();
            chain->operands.push_back((this->*parse_operand)());
        }
        return chain;
    }

    std::unique_ptr<Node> ParseOr() { return ParseChain(Tok::Or, Node::Kind::Or, &Parser::ParseAnd); }
    std::unique_ptr<Node> ParseAnd() { return ParseChain(Tok::And, Node::Kind::And, &Parser::ParseNot); }

    std::unique_ptr<Node> ParseNot() {
        if (tok_.kind != Tok::Not) return ParseCondition();
        const Nesting level(*this);
        Advance();
        auto n = std::make_unique<Node>();
        n->kind = Node::Kind::Not;
        n->operands.push_back(ParseNot());
        return n;
    }

    std::unique_ptr<Node> ParseCondition() {
        if (tok_.kind == Tok::LParen) {
            const Nesting level(*this);
            Advance();
            auto inner = ParseOr();
            if (tok_.kind != Tok::RParen) Fail("expected ')'", tok_.pos);
            Advance();
            return inner;
        }
        const Token first = tok_;
        const Operand a = ParseOperand();
        if (tok_.kind == Tok::Is) return ParseIsNull(a, first);
        if (tok_.kind != Tok::Op) Fail("expected a comparison", tok_.pos);
        const Token op = tok_;
        Advance();
        const Operand b = ParseOperand();
        return BindCompare(a, op, b);
    }

    std::unique_ptr<Node> ParseIsNull(const Operand& a, const Token& first) {
        Advance();
        bool negated = false;
        if (tok_.kind == Tok::Not) {
            negated = true;
            Advance();
        }
        if (tok_.kind != Tok::Null) Fail("expected NULL", tok_.pos);
        Advance();
        if (a.field < 0) Fail("IS NULL needs a field", first.pos);
        auto n = std::make_unique<Node>();
        n->kind = negated ? Node::Kind::IsNotNull : Node::Kind::IsNull;
        n->a.field = a.field;
        return n;
    }

    Operand ParseOperand() {
        Operand o;
        if (tok_.kind == Tok::Minus) {
            const std::size_t pos = tok_.pos;
            Advance();
            if (tok_.kind != Tok::Number) Fail("expected a number after '-'", tok_.pos);
            o.literal = tok_;
            o.literal.text = "-" + o.literal.text;
            o.literal.pos = pos;
            Advance();
            return o;
        }
        if (tok_.kind == Tok::Name) {
            o.field = FindField(tok_.text);
            if (o.field < 0) throw EDatabaseError("Field '" + tok_.text + "' not found");
            o.literal = tok_;
            Advance();
            return o;
        }
        if (tok_.kind == Tok::Text || tok_.kind == Tok::Number) {
            o.literal = tok_;
            Advance();
            return o;
        }
        Fail(tok_.kind == Tok::End ? "expected a value, found the end" : "expected a value, found '" + tok_.text + "'",
             tok_.pos);
    }

    int FindField(const std::string& name) const {
        for (std::size_t i = 0; i < fields_.size(); ++i)
            if (text::equals_ignore_case(fields_[i].name, name)) return static_cast<int>(i);
        return -1;
    }

    static CmpOp ToOp(const std::string& s) {
        if (s == "=") return CmpOp::Eq;
        if (s == "<>") return CmpOp::Ne;
        if (s == "<") return CmpOp::Lt;
        if (s == ">") return CmpOp::Gt;
        if (s == "<=") return CmpOp::Le;
        return CmpOp::Ge;
    }

    static CmpKind KindOf(FieldType t) {
        switch (t) {
            case FieldType::String: return CmpKind::Text;
            case FieldType::Boolean: return CmpKind::Flag;
            default: return CmpKind::Number;
        }
    }

    std::unique_ptr<Node> BindCompare(const Operand& a, const Token& op, const Operand& b) {
        auto n = std::make_unique<Node>();
        n->kind = Node::Kind::Compare;
        n->op = ToOp(op.text);
        if (a.field >= 0 && b.field >= 0) {
            const CmpKind ka = KindOf(fields_[a.field].type), kb = KindOf(fields_[b.field].type);
            if (ka != kb) Fail("fields '" + a.literal.text + "' and '" + b.literal.text + "' do not compare", op.pos);
            n->cmp = ka;
        } else if (a.field >= 0 || b.field >= 0) {
            n->cmp = KindOf(fields_[a.field >= 0 ? a.field : b.field].type);
        } else {
            n->cmp = a.literal.kind == Tok::Number && b.literal.kind == Tok::Number ? CmpKind::Number : CmpKind::Text;
        }
        n->a = Bind(a, n->cmp);
        n->b = Bind(b, n->cmp);
        if (a.field < 0 && b.field < 0) {  // two literals: decided once
            n->kind = Node::Kind::Const;
            n->constant = CompareSides(*n, n->a, n->b);
        }
        return n;
    }

    Side Bind(const Operand& o, CmpKind kind) const {
        Side s;
        s.field = o.field;
        if (o.field >= 0) return s;
        const Token& lit = o.literal;
        switch (kind) {
            case CmpKind::Text: s.text = lit.text; break;
            case CmpKind::Number: s.number = ToNumber(lit); break;
            case CmpKind::Flag: s.flag = ToFlag(lit); break;
        }
        return s;
    }

    double ToNumber(const Token& lit) const {
        double v = 0;
        const char* b = lit.text.data();
        const char* e = b + lit.text.size();
        if (const auto r = std::from_chars(b, e, v); r.ec == std::errc() && r.ptr == e) return v;
        try {
            return codec_.ParseFloat(lit.text);
        } catch (const EConvertError&) {
        }
        try {
            return codec_.ParseDateTime(lit.text);
        } catch (const detail::ENoClockForDate& e) {
            Fail(e.what(), lit.pos);
        } catch (const EConvertError&) {
        }
        Fail("'" + lit.text + "' is not a number or a date", lit.pos);
    }

    bool ToFlag(const Token& lit) const {
        const std::string up = text::upper_ascii(lit.text);
        if (up == "TRUE" || up == "1") return true;
        if (up == "FALSE" || up == "0") return false;
        Fail("'" + lit.text + "' is not a boolean value", lit.pos);
    }

    std::string_view expr_;
    const std::vector<FieldDef>& fields_;
    const detail::FieldCodec& codec_;
    std::size_t at_ = 0;
    Token tok_;
    int depth_ = 0;  // parentheses and NOTs the parser is inside
};

template <class T>
Tri Order(CmpOp op, const T& x, const T& y) {
    bool r = false;
    switch (op) {
        case CmpOp::Eq: r = x == y; break;
        case CmpOp::Ne: r = !(x == y); break;
        case CmpOp::Lt: r = x < y; break;
        case CmpOp::Gt: r = y < x; break;
        case CmpOp::Le: r = !(y < x); break;
        case CmpOp::Ge: r = !(x < y); break;
    }
    return r ? Tri::True : Tri::False;
}

Tri CompareSides(const Node& n, const Side& a, const Side& b, const std::vector<Value>* row) {
    const Value* va = a.field >= 0 ? &(*row)[a.field] : nullptr;
    const Value* vb = b.field >= 0 ? &(*row)[b.field] : nullptr;
    if ((va && detail::IsNull(*va)) || (vb && detail::IsNull(*vb))) return Tri::Unknown;
    switch (n.cmp) {
        case CmpKind::Text: {
            const std::string& x = va ? std::get<std::string>(*va) : a.text;
            const std::string& y = vb ? std::get<std::string>(*vb) : b.text;
            return Order(n.op, x, y);
        }
        case CmpKind::Number: {
            auto num = [](const Value* v, const Side& s) {
                if (!v) return s.number;
                if (const auto* i = std::get_if<long long>(v)) return static_cast<double>(*i);
                return std::get<double>(*v);
            };
            return Order(n.op, num(va, a), num(vb, b));
        }
        case CmpKind::Flag:
            return Order(n.op, va ? std::get<bool>(*va) : a.flag, vb ? std::get<bool>(*vb) : b.flag);
    }
    return Tri::Unknown;
}

Tri Eval(const Node& n, const std::vector<Value>& row) {
    switch (n.kind) {
        case Node::Kind::Const: return n.constant;
        case Node::Kind::IsNull: return detail::IsNull(row[n.a.field]) ? Tri::True : Tri::False;
        case Node::Kind::IsNotNull: return detail::IsNull(row[n.a.field]) ? Tri::False : Tri::True;
        case Node::Kind::Compare: return CompareSides(n, n.a, n.b, &row);
        case Node::Kind::Not: {
            const Tri t = Eval(*n.operands.front(), row);
            return t == Tri::Unknown ? t : t == Tri::True ? Tri::False : Tri::True;
        }
        case Node::Kind::And: return EvalChain(n, row, Tri::False);
        case Node::Kind::Or: return EvalChain(n, row, Tri::True);
    }
    return Tri::Unknown;
}

// AND stops at the first false operand, OR at the first true one (`decisive`);
// otherwise an unknown operand makes the chain unknown.
Tri EvalChain(const Node& n, const std::vector<Value>& row, Tri decisive) {
    bool unknown = false;
    for (const auto& operand : n.operands) {
        const Tri t = Eval(*operand, row);
        if (t == decisive) return t;
        unknown = unknown || t == Tri::Unknown;
    }
    if (unknown) return Tri::Unknown;
    return decisive == Tri::False ? Tri::True : Tri::False;
}

bool IsBlank(std::string_view s) { return s.find_first_not_of(" \t\r\n") == std::string_view::npos; }

}  // namespace

Program::Program() = default;
Program::~Program() = default;
Program::Program(Program&&) noexcept = default;
Program& Program::operator=(Program&&) noexcept = default;

Program Program::Compile(std::string_view expression, const std::vector<FieldDef>& fields,
                         const detail::FieldCodec& codec) {
    Program p;
    if (IsBlank(expression)) return p;
    Parser parser(expression, fields, codec);
    p.root_ = parser.ParseAll();
    return p;
}

bool Program::Matches(const std::vector<Value>& row) const { return !root_ || Eval(*root_, row) == Tri::True; }

}  // namespace dru::filter
