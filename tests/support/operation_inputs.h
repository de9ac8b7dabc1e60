// Host inputs for every entry point that drives the printer, filled the way a
// till hands them in: the tables and named-parameter arrays of a sale, of the
// payment types, the day totals, the bill, the credit voucher, the product
// report and the cash closing. Shared by the tests that run every entry point
// (bounded time on a silent printer, faults in the middle of a document,
// refusals before anything is sent).
//
//   dru::test::SaleInput sale("COM1", 2, 1);
//   ImpressaoVenda(ctx, sale.params, sale.tables(), "0", documents);
#pragma once
#include <string>
#include <utility>
#include <vector>

#include "host/dataset.h"
#include "host/params.h"
#include "module/data_module.h"

namespace dru::test {

using FieldList = std::vector<std::pair<const char*, FieldType>>;
using RowList = std::vector<std::vector<std::string>>;

// Creates the fields (text fields 40 wide) and appends the rows, each value
// given as text in field order; an empty value is left null.
inline void FillTable(TClientDataSet& ds, const FieldList& fields, const RowList& rows) {
    for (const auto& [name, type] : fields)
        ds.AddFieldDef(name, type, type == FieldType::String ? 40 : 0);
    ds.CreateDataSet();
    for (const auto& row : rows) {
        ds.Append();
        for (std::size_t i = 0; i < row.size(); ++i)
            if (!row[i].empty()) ds.FieldByName(fields[i].first).SetAsString(row[i]);
        ds.Post();
    }
}

// ---- The sale (ImpressaoVenda) ------------------------------------------------------

// An ordinary sale on printer type "16": `items` taxable items of 1000 each
// and `payments` cash payments that cover them, one observation line.
struct SaleInput {
    TParams params;
    TClientDataSet vendas, movi, receb;

    SaleInput(const std::string& port, int items, int payments) {
        for (const auto& [name, value] : {std::pair{"ESQUEMACOR", "Azul"},
                                          {"SENHACUPOM", "4821"},
                                          {"TIPOVENDA", "3"},
                                          {"DSOBSCUPFIS", "Gracias por su visita"},
                                          {"IDTIPOIMPFIS", "16"}})
            params.add(name, value);
        params.add("CDPORTAIMPFIS", port);
        RowList item_rows;
        for (int i = 0; i < items; ++i)
            item_rows.push_back({"T", "1", "1000", "0", "0", "0", "78" + std::to_string(i),
                                 "PRODUCTO " + std::to_string(i), "MARIA", "1"});
        FillTable(vendas,
                  {{"IDTPIMPOSFIS", FieldType::String},
                   {"QTPRODCOMVEN", FieldType::Float},
                   {"VRPRECCOMVEN", FieldType::Float},
                   {"VRACRCOMANDA", FieldType::Float},
                   {"VRDESCCOMVEN", FieldType::Float},
                   {"VRTXSERVICO", FieldType::Float},
                   {"CDARVPROD", FieldType::String},
                   {"NMPRODUTO", FieldType::String},
                   {"NMOPERADOR", FieldType::String},
                   {"CDLOJA", FieldType::String}},
                  item_rows);
        RowList movements;
        const std::string share = std::to_string(1000 * items / payments);
        for (int i = 0; i < payments; ++i)
            movements.push_back({"E", "4", "001", share, "01", "EFECTIVO"});
        FillTable(movi,
                  {{"IDTIPOMOVIVE", FieldType::String},
                   {"IDTIPORECE", FieldType::String},
                   {"CDTIPORECE", FieldType::String},
                   {"VRMOVIVEND", FieldType::Float},
                   {"CDFPIMPFIS", FieldType::String},
                   {"DSIMPFISCAL", FieldType::String}},
                  movements);
        FillTable(receb, {{"CDTIPORECE", FieldType::String}}, {{"005"}});
    }
};

// ---- Payment types and the day totals (CarregaRecebimento, ExportRedZ) ----------------

// Cash, credit card and a voucher, on button 5 (the ones CarregaRecebimento codes).
inline void FillPaymentTypes(TClientDataSet& ds) {
    FillTable(ds,
              {{"CDTIPORECE", FieldType::String},
               {"NMTIPORECE", FieldType::String},
               {"IDEMIVALE", FieldType::String},
               {"CDFPIMPFIS", FieldType::String},
               {"IDTIPORECE", FieldType::String},
               {"IDTPBUTTON", FieldType::String}},
              {{"001", "EFECTIVO", "", "", "4", "5"},
               {"003", "TARJETA CREDITO", "", "", "1", "5"},
               {"005", "VALE", "S", "", "5", "5"}});
}

// ---- The bill check (Conferencia_Outras) ---------------------------------------------

// The DADOS packet of `products` products of 1500 each.
inline std::string BillProducts(int products) {
    RowList rows;
    for (int i = 0; i < products; ++i)
        rows.push_back({"PRODUCTO " + std::to_string(i), "2", "1500"});
    TClientDataSet ds;
    FillTable(ds,
              {{"NMPRODUTO", FieldType::String},
               {"QTPRODCOMVEN", FieldType::Float},
               {"VRPRECCOMVEN", FieldType::Float}},
              rows);
    return ds.GetDataPacket();
}

// ---- Credit voucher, product report, cash closing ---------------------------------

inline void FillCreditMovements(TClientDataSet& ds, const std::vector<std::string>& amounts) {
    RowList rows;
    for (const std::string& a : amounts) rows.push_back({a});
    FillTable(ds, {{"VRMOVIVEND", FieldType::Float}}, rows);
}

// `products` products, 3 sold of each for 4500.
inline void FillProductsSold(TClientDataSet& ds, int products) {
    RowList rows;
    for (int i = 0; i < products; ++i)
        rows.push_back({std::to_string(1000000 + i), "PRODUCTO " + std::to_string(i), "3", "4500"});
    FillTable(ds,
              {{"CDPRODUTO", FieldType::String},
               {"NMPRODUTO", FieldType::String},
               {"QTPRODVEND", FieldType::Float},
               {"VRTOTAL", FieldType::Float}},
              rows);
}

// The host's tables of a cash closing: `amounts` closing amounts (one per
// payment type), `products` products sold, one supervisor.
struct ClosingInput {
    TClientDataSet movFecha, sangria, products, operators, movTot, paymentTypes;
    TClientDataSet redz, formRedz, impostoRedz, totNFis;  // receive the Z tables

    ClosingInput(int amounts, int products_sold) {
        RowList closing_rows;
        for (int i = 0; i < amounts; ++i)
            closing_rows.push_back({"FORMA " + std::to_string(i), "15000"});
        FillTable(movFecha, {{"NMTIPORECE", FieldType::String}, {"VRFECHAINF", FieldType::Float}},
                  closing_rows);
        FillTable(sangria, {{"VRSANGRIA", FieldType::Float}}, {{"20000"}});
        FillProductsSold(products, products_sold);
        FillTable(operators, {{"CDOPERADOR", FieldType::String}, {"NMOPERADOR", FieldType::String}},
                  {{"007", "MARIA GONZALEZ"}});
        FillTable(movTot, {{"VRTOTAL", FieldType::Float}}, {{"250000"}});
        AddPaymentTypeFields(paymentTypes);
        paymentTypes.CreateDataSet();
        paymentTypes.Append();
        paymentTypes.FieldByName("CDTIPORECE").SetAsString("1");
        paymentTypes.FieldByName("NMTIPORECE").SetAsString("EFECTIVO");
        paymentTypes.FieldByName("CDFPIMPFIS").SetAsString("01");
        paymentTypes.Post();
    }
};

}  // namespace dru::test
