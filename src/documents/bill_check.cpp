#include "documents/bill_check.h"

#include <optional>

#include "print/printed_figures.h"
#include "host/errors.h"
#include "host/format.h"
#include "host/routines.h"
#include "link/commands.h"
#include "link/frames.h"
#include "print/document_writer.h"
#include "print/retry.h"

namespace dru {

namespace {

constexpr std::string_view kCall = "Conferencia_Outras";
// Printer type 30 takes the bill's lines faster than every other type.
constexpr int kPrinterType30 = 30;
constexpr int kLinePauseType30Ms = 80;
constexpr int kLinePauseMs = 200;

// Block breaking: the header counts as this many lines, each product as two.
// A product printed with the counter at kBreakAfterProduct ends its block;
// after the list a counted line finding the counter at kBreakAtLine does.
constexpr int kHeaderLines = 10;
constexpr int kLinesPerProduct = 2;
constexpr int kBreakAfterProduct = 28;
constexpr int kBreakAtLine = 29;

// Widths of the printed columns.
constexpr int kRuleWidth = 44;           // hyphen lines and the product name line
constexpr int kOrderWidth = 10;          // the order number
constexpr int kQuantityWidth = 6;        // the quantity before " X "
constexpr int kQuantityPriceWidth = 15;  // quantity, " X " and unit price
constexpr int kDetailLeftWidth = 28;     // the detail line's left column
constexpr int kDetailAmountWidth = 15;   // the product's amount
constexpr int kLabelWidth = 13;          // adjustment labels (longer ones are cut)
constexpr int kAdjustmentWidth = 25;     // adjustment amounts
constexpr int kTotalWidth = 38;          // the total after "TOTAL"

// An order number beginning so is a reservation: no order line is printed.
constexpr std::string_view kReservation = "RES";

// The vendor's two footer lines.
constexpr std::string_view kVendorWebLine = "Korvane Sistemas - www.example.com";
constexpr std::string_view kVendorPhoneLine = "Fono (2) 2345 6789";

// All money amounts of the bill: currency format, no decimals.
std::string Amount(double value, const FormatSettings& fs) {
    return FloatToCurrency(value, 0, fs);
}

// The lines of the bill and the block counter that breaks them into blocks.
class BillLines {
  public:
    explicit BillLines(int line_pause) : pause_(line_pause) {}

    void add(std::string_view code, std::string_view text, int pause_before, int pause_after) {
        doc_.push_back({Frame(code, text), pause_before, 0, pause_after});
    }
    // A line followed by the line pause.
    void add(std::string_view code, std::string_view text = {}) { add(code, text, 0, pause_); }
    void rule() { add(cmd::kCommentLine2, Replicate("-", kRuleWidth)); }

    // End the comment block and begin the next, the line pause after each.
    void block_break() {
        add(cmd::kEndComment);
        add(cmd::kBeginComment);
    }
    // After the products: a counted line at the limit breaks the block.
    void counted_check() {
        if (counter_ == kBreakAtLine) {
            block_break();
            counter_ = 0;
        } else {
            ++counter_;
        }
    }
    // After a product's two lines; the new block needs a longer pause.
    void product_done() {
        if (counter_ == kBreakAfterProduct) {
            counter_ = 0;
            add(cmd::kEndComment, {}, pause_, 0);
            add(cmd::kBeginComment, {}, pause_, kBlockBreakPauseMs);
        } else {
            counter_ += kLinesPerProduct;
        }
    }

    int pause() const { return pause_; }
    int counter() const { return counter_; }
    Document take() { return std::move(doc_); }

  private:
    int pause_;
    int counter_ = kHeaderLines;
    Document doc_;
};

void AddHeader(BillLines& bill, const BillCheck& b) {
    bill.add(cmd::kBeginComment);
    bill.rule();
    bill.add(cmd::kCommentLine4, "             PARCIAL CUENTA ");
    bill.rule();
    const std::string order = Ajusta(b.stNrComanda, kOrderWidth);
    if (!order.starts_with(kReservation)) bill.add(cmd::kCommentLine2, "COMANDA     :  " + order);
    bill.add(cmd::kCommentLine4, "Mesa     " + b.stMesa);
    bill.add(cmd::kCommentLine2, "Garzon   " + b.stNmGarcom);
    bill.add(cmd::kCommentLine2, "Fecha    " + b.stEmissao);
    bill.rule();
}

// Two lines per product, in the table's order; every figure is checked here,
// before anything is sent.
void AddProducts(BillLines& bill, TClientDataSet& products, const FormatSettings& fs) {
    for (products.First(); !products.Eof(); products.Next()) {
        const int row = products.RecNo();
        const TField& quantity = products.FieldByName("QTPRODCOMVEN");
        const double qty = FiniteAmount(kCall, RowField(row, "QTPRODCOMVEN"), quantity.AsFloat());
        const double price = FiniteAmount(kCall, RowField(row, "VRPRECCOMVEN"),
                                          products.FieldByName("VRPRECCOMVEN").AsFloat());
        const double amount = Trunc2(qty * price);
        const std::string left =
            FittedFigure(kCall, RowField(row, "QTPRODCOMVEN X VRPRECCOMVEN"), price,
                         PadR(PadR(quantity.AsString(), kQuantityWidth) + " X " + Amount(price, fs),
                              kQuantityPriceWidth),
                         kDetailLeftWidth);
        const std::string right = FittedFigure(kCall, RowField(row, "amount"), amount,
                                               Amount(amount, fs), kDetailAmountWidth);

        bill.add(cmd::kCommentLine1,
                 TamFixo(" -> " + products.FieldByName("NMPRODUTO").AsString(), kRuleWidth),
                 bill.pause(), bill.pause());
        bill.add(cmd::kCommentLine1,
                 TamFixo(left, kDetailLeftWidth) + TamFixoR(right, kDetailAmountWidth), 0, 0);
        bill.product_done();
    }
}

// From the begin comment to the hyphens after the products.
Document HeadAndProducts(BillLines& bill, const BillCheck& b, TClientDataSet& products,
                         const FormatSettings& fs) {
    AddHeader(bill, b);
    AddProducts(bill, products, fs);
    bill.add(cmd::kLineFeed, {}, bill.pause(), bill.pause());
    bill.counted_check();
    bill.rule();
    bill.counted_check();
    return bill.take();
}

void AddAmountLine(BillLines& bill, std::string_view label, std::string_view argument, double value,
                   const FormatSettings& fs) {
    const std::string figure =
        FittedFigure(kCall, argument, value, Amount(value, fs), kAdjustmentWidth);
    bill.add(cmd::kCommentLine2, TamFixo(label, kLabelWidth) + TamFixoR(figure, kAdjustmentWidth));
}

// Zero or negative: not printed.
void AddAdjustment(BillLines& bill, std::string_view label, std::string_view argument, double value,
                   const FormatSettings& fs) {
    if (value > 0) AddAmountLine(bill, label, argument, value, fs);
}

// From the adjustments to the last hyphens, before the closing end comment.
// An adjustment that is not a finite number refuses the bill, printed or not.
Document Tail(BillLines& bill, const BillCheck& b, const FormatSettings& fs) {
    for (const auto& [argument, value] : {std::pair{"doVrDesc", b.doVrDesc}, {"doConsMin", b.doConsMin},
                                          {"doCouver", b.doCouver}, {"doVrTxSer", b.doVrTxSer}})
        FiniteAmount(kCall, argument, value);
    const double adjustments = b.doVrDesc + b.doConsMin + b.doCouver + b.doVrTxSer;
    if (adjustments > 0) AddAmountLine(bill, "Sub-Total", "Sub-Total", b.doTotal - adjustments, fs);
    AddAdjustment(bill, "Acrecimo", "doVrDesc", b.doVrDesc, fs);
    AddAdjustment(bill, "Consumo Minimo", "doConsMin", b.doConsMin, fs);
    AddAdjustment(bill, "Couver", "doCouver", b.doCouver, fs);
    AddAdjustment(bill, "Propina Sugerida", "doVrTxSer", b.doVrTxSer, fs);
    bill.add(cmd::kLineFeed);
    const std::string total =
        FittedFigure(kCall, "doTotal", b.doTotal, Amount(b.doTotal, fs), kTotalWidth);
    bill.add(cmd::kCommentLine5, "TOTAL" + TamFixoR(total, kTotalWidth));
    bill.counted_check();
    bill.rule();
    bill.counted_check();
    bill.add(cmd::kCommentLine2, kVendorWebLine);
    bill.add(cmd::kCommentLine2, kVendorPhoneLine);
    bill.add(cmd::kCommentLine4, "Doc. sin valor fiscal.");
    bill.rule();
    if (bill.counter() == kBreakAtLine) bill.block_break();
    return bill.take();
}

// The product table from the host's packet, its fields there even when it has no row.
TClientDataSet& LoadProducts(Session& session, std::string_view DADOS) {
    if (DADOS.empty())
        throw EBadArgument(std::string(kCall) + ": DADOS is empty: no product table to print");
    TClientDataSet& products = session.dm.get().cdsParcProdutos;
    products.SetDataPacket(DADOS);
    RequireFields(products, kCall, "DADOS", {"NMPRODUTO", "QTPRODCOMVEN", "VRPRECCOMVEN"});
    return products;
}

}  // namespace

bool Conferencia_Outras(Session& session, const std::string& stCdPortaImpFis,
                        const std::string& stEsquemaCor, const BillCheck& bill,
                        std::string_view DADOS, int idtipoimpfis) {
    LinkContext& ctx = session.link;
    const int inSleep = idtipoimpfis == kPrinterType30 ? kLinePauseType30Ms : kLinePauseMs;
    TClientDataSet& products = LoadProducts(session, DADOS);
    BillLines lines(inSleep);
    const Document head = HeadAndProducts(lines, bill, products, ctx.format);
    const Document tail = Tail(lines, bill, ctx.format);

    DocumentWriter out(ctx, stCdPortaImpFis, stEsquemaCor);
    if (!out.is_open()) return false;
    out.play(head);
    Pause(ctx, 1);  // the host's Delay(1)
    out.play(tail);
    // The printer answers the closing end comment; silence or a refused error
    // sends it again.
    return Retried(ctx, stEsquemaCor, kCall, [&] {
        out.line({Frame(cmd::kEndComment)});
        const std::optional<std::string> reply = out.read_reply();
        return reply && out.accepts(*reply);
    });
}

}  // namespace dru
