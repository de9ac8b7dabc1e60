#include "receipt/item_registration.h"

#include <cmath>
#include <vector>

#include "host/errors.h"
#include "host/routines.h"
#include "host/text.h"
#include "link/commands.h"
#include "link/frames.h"
#include "print/document_writer.h"
#include "print/printed_figures.h"

namespace dru {

namespace {

// The printer needs this long after each item line before it takes the next.
constexpr int kItemPauseMs = 200;
constexpr int kItemPauseType30Ms = 160;  // type "30" takes item lines faster
// The item frame holds the product code in exactly 13 characters.
constexpr int kProductCodeWidth = 13;
constexpr std::string_view kItemLabel = "imprimindo Produto Venda_Item";

struct Item {
    std::string frame;
    double total = 0;  // Trunc2(price x quantity), before rounding to whole units
};

// The product code in its 13 characters: zero-filled, then cut. An empty
// code is 13 zeros, as the printer reads a code of none, so the figures
// after it stay where the printer reads them.
std::string ProductCode(TClientDataSet& cdsVendas) {
    const std::string code = cdsVendas.FieldByName("CDARVPROD").AsString();
    if (code.empty()) return std::string(kProductCodeWidth, '0');
    return text::substr(AjustaZero(code, kProductCodeWidth), 0, kProductCodeWidth);
}

Item ReadItem(TClientDataSet& cdsVendas, const FormatSettings& fs) {
    const double doQtde = cdsVendas.FieldByName("QTPRODCOMVEN").AsFloat();
    const double doPreco =
        cdsVendas.FieldByName("VRPRECCOMVEN").AsFloat() - cdsVendas.FieldByName("VRDESCCOMVEN").AsFloat();
    const double total = Trunc2(doPreco * doQtde);
    const int row = cdsVendas.RecNo();
    const std::string stQuant = CheckedOperand("Venda_Item", row, "QTPRODCOMVEN", doQtde, Quantity9(doQtde, fs), 9);
    const std::string stValor = CheckedOperand("Venda_Item", row, "VRPRECCOMVEN", doPreco, Amount9(doPreco, fs), 9);
    const std::string stProdTot = CheckedOperand("Venda_Item", row, "item total", total, Amount9(total, fs), 9);
    const std::string operands = std::string(cmd::kItemSale) + ProductCode(cdsVendas) + stQuant + stValor +
                                 stProdTot + text::substr(cdsVendas.FieldByName("NMPRODUTO").AsString(), 0, kItemNameChars);
    return {Frame(cmd::kRegisterItem, operands), total};
}

}  // namespace

double Venda_Item(LinkContext& ctx, const std::string& stCdPortaImpFis, TClientDataSet& cdsVendas,
                  double /*doTotal*/, const std::string& idtipoimpfis) {
    const int inSleep = idtipoimpfis == printer_type::k30 ? kItemPauseType30Ms : kItemPauseMs;
    // Every row is read and checked before anything reaches the printer.
    std::vector<Item> items;
    for (cdsVendas.First(); !cdsVendas.Eof(); cdsVendas.Next()) items.push_back(ReadItem(cdsVendas, ctx.format));

    double doTotalItem = 0;
    DocumentWriter out(ctx, stCdPortaImpFis, "");
    if (!out.is_open()) return doTotalItem;
    for (const Item& item : items) {
        doTotalItem += item.total;
        out.line({item.frame, 0, inSleep, 0, std::string(kItemLabel)});
    }
    return doTotalItem;
}

}  // namespace dru
