#include "documents/product_report.h"

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

constexpr std::string_view kCall = "ImpRelGerencial_IBM";
constexpr std::string_view kEntryCall = "Relatorio_Produto";

// The printer needs this long after each header line, and after each later line.
constexpr int kHeaderPauseMs = 220;
constexpr int kLinePauseMs = 200;
// Between the "continued" line and the end comment: the host's Delay(1).
constexpr int kDelayOneMs = 1;
// A comment block holds at most this many product lines.
constexpr int kProductsPerBlock = 27;

// Column widths of the header, the product lines and the grand total.
constexpr int kCodeWidth = 13;
constexpr int kHeaderNameWidth = 16;
constexpr int kHeaderQuantityWidth = 5;
constexpr int kNameWidth = 14;
constexpr int kQuantityWidth = 6;
constexpr int kTotalWidth = 9;
constexpr int kGrandTotalLabelWidth = 31;
constexpr int kGrandTotalWidth = 13;

constexpr std::string_view kTitleIndent = "     ";
constexpr std::string_view kTitleSeparator = "  -  ";
constexpr std::string_view kContinued = "Continuación debajo...";
constexpr std::string_view kIndexByCode = "IDXCDPRODUTO";

constexpr std::string_view kBeginLabel = "Inicio Comentario ImpRelGerencial_IBM";
constexpr std::string_view kLineLabel = "Linha Comentario ImpRelGerencial_IBM";
constexpr std::string_view kLineFeedLabel = "Salto de Linha ImpRelGerencial_IBM";
constexpr std::string_view kEndLabel = "Fim Comentario ImpRelGerencial_IBM";

// The flag that decides whether the report prints, and whether the operator is asked.
constexpr std::string_view kPrintUnasked = "N";
constexpr std::string_view kAskFirst = "S";

DocumentLine ReportLine(std::string frame, std::string_view label, int pause_after_ms) {
    return {std::move(frame), 0, 0, pause_after_ms, std::string(label)};
}

DocumentLine CommentLine(std::string_view code, std::string_view text, int pause_after_ms) {
    return ReportLine(Frame(code, text), kLineLabel, pause_after_ms);
}

Document Header(const TMessages& messages, const LinkContext& ctx) {
    const std::string title = std::string(kTitleIndent) + messages.Msg("RelProdutos") +
                              std::string(kTitleSeparator) + DateToStr(ctx.clock.now(), ctx.format);
    const std::string columns = TamFixo(messages.Msg("Codigo"), kCodeWidth) +
                                TamFixo(messages.Msg("Nome"), kHeaderNameWidth) +
                                TamFixoR(messages.Msg("Qtde_"), kHeaderQuantityWidth) +
                                TamFixoR(messages.Msg("Valor2"), kTotalWidth);
    return {ReportLine(Frame(cmd::kBeginComment), kBeginLabel, kHeaderPauseMs),
            CommentLine(cmd::kCommentLine6, title, kHeaderPauseMs),
            ReportLine(Frame(cmd::kLineFeed), kLineFeedLabel, kHeaderPauseMs),
            CommentLine(cmd::kCommentLine1, columns, kHeaderPauseMs)};
}

// "Continued below", the end of the full block and the begin of the next.
void AddBlockBreak(Document& doc) {
    doc.push_back(CommentLine(cmd::kCommentLine6, kContinued, kDelayOneMs));
    doc.push_back(ReportLine(Frame(cmd::kEndComment), kLineLabel, kLinePauseMs));
    doc.push_back(ReportLine(Frame(cmd::kBeginComment), kLineLabel, kBlockBreakPauseMs));
}

// A two-decimal figure right-aligned in `width`, refused when it would be cut.
std::string Column(std::string_view where, double value, int width, const FormatSettings& fs) {
    const double finite = FiniteAmount(kCall, where, value);
    return TamFixoR(FittedFigure(kCall, where, finite, FloatToStrFixed2(finite, fs), width), width);
}

// The product lines in ascending code, block breaks between full blocks;
// adds every total to `grand_total`. The index is cleared again afterwards.
Document ProductLines(TClientDataSet& products, const FormatSettings& fs, double& grand_total) {
    products.SetIndexName(kIndexByCode);
    Document doc;
    int i = 0;
    for (products.First(); !products.Eof(); products.Next()) {
        if (i >= kProductsPerBlock) {
            i = 0;
            AddBlockBreak(doc);
        }
        ++i;
        const int row = products.RecNo();
        const double total = products.FieldByName("VRTOTAL").AsFloat();
        const std::string line =
            TamFixo(products.FieldByName("CDPRODUTO").AsString(), kCodeWidth) +
            TamFixo(products.FieldByName("NMPRODUTO").AsString(), kNameWidth) + " " +
            Column(RowField(row, "QTPRODVEND"), products.FieldByName("QTPRODVEND").AsFloat(),
                   kQuantityWidth, fs) +
            Column(RowField(row, "VRTOTAL"), total, kTotalWidth, fs);
        grand_total += total;
        doc.push_back(CommentLine(cmd::kCommentLine1, line, kLinePauseMs));
    }
    products.SetIndexName("");
    return doc;
}

Document Tail(const TMessages& messages, double grand_total, const FormatSettings& fs) {
    const std::string total = TamFixo(messages.Msg("Valor_"), kGrandTotalLabelWidth) +
                              Column("doValor", grand_total, kGrandTotalWidth, fs);
    return {CommentLine(cmd::kLineFeed, "", kLinePauseMs),
            CommentLine(cmd::kCommentLine1, total, kDelayOneMs),
            ReportLine(Frame(cmd::kEndComment), kEndLabel, 0)};
}

// The table Relatorio_Produto copies in; closed when it was never copied or
// the last report closed it.
TClientDataSet& OpenProducts(Session& session) {
    TClientDataSet& products = session.dm.get().cdsProdVend;
    if (!products.Active())
        throw EDatabaseError(
            std::string(kCall) +
            ": cdsProdVend is not open (no product table was copied in by Relatorio_Produto)");
    RequireFields(products, kCall, "cdsProdVend", {"CDPRODUTO", "NMPRODUTO", "QTPRODVEND", "VRTOTAL"});
    return products;
}

bool Wanted(Session& session, const std::string& stEmiRelProd, const std::string& stIdEsquema) {
    if (stEmiRelProd == kPrintUnasked) return true;
    if (stEmiRelProd != kAskFirst) return false;
    LinkContext& ctx = session.link;
    return ctx.dialog.Mensagem(ctx.messages.msgPadrao().Msg("ConfRelProds"), "", "N", "S",
                               TTipoMsg::Tipo1, "", stIdEsquema, 0, nullptr);
}

}  // namespace

bool ImpRelGerencial_IBM(Session& session, const std::string& stEsquemaCor,
                         const std::string& stCdPortaImpFis) {
    LinkContext& ctx = session.link;
    const TMessages& messages = ctx.messages.msgPadrao();
    TClientDataSet& products = OpenProducts(session);
    const std::string index_before = products.IndexName();

    double grand_total = 0;
    Document doc = Header(messages, ctx);
    const Document lines = ProductLines(products, ctx.format, grand_total);
    doc.insert(doc.end(), lines.begin(), lines.end());
    const Document tail = Tail(messages, grand_total, ctx.format);
    doc.insert(doc.end(), tail.begin(), tail.end());

    DocumentWriter out(ctx, stCdPortaImpFis, stEsquemaCor);
    if (!out.is_open()) {
        products.SetIndexName(
            index_before);  // a report that never started leaves the order as it was
        return false;
    }
    out.play(doc);
    return out.final_reply_check();
}

void Relatorio_Produto(Session& session, const std::string& stCdPortaImpFis,
                       const TClientDataSet& cdsProdAux, const std::string& stEmiRelProd,
                       const std::string& stIdEsquema) {
    TClientDataSet& products = session.dm.get().cdsProdVend;
    products.CopyFrom(cdsProdAux);
    if (!Wanted(session, stEmiRelProd, stIdEsquema)) return;
    if (products.IsEmpty()) return;
    Retried(session.link, stIdEsquema, kEntryCall,
            [&] { return ImpRelGerencial_IBM(session, stIdEsquema, stCdPortaImpFis); });
    products.Close();
}

}  // namespace dru
