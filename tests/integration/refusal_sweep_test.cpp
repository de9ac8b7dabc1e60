// Two refusals swept over every entry point that drives the printer, through
// the C contract: each handle or output argument given as NULL (the
// bad-argument error naming the call and the argument when the call needs
// it; any other outcome when it may be NULL), and each amount or quantity
// that is not a finite number (the document refused before anything is sent,
// whichever field holds it). Against the printer simulator on a
// pseudo-terminal, so "nothing sent" is what the printer saw.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "api/c_handles.h"
#include "api/export_names.h"
#include "dru01000.h"
#include "printer_model.h"
#include "support/operation_inputs.h"
#include "support/pty_host.h"

namespace dru::test {
namespace {

constexpr const char* kPort = "COM4";
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

// The host's handles of every entry point, valid and filled.
struct Handles {
    DruParams startup, sale_params;
    DruDataSet vendas, movi, receb, types, redz, forms, taxes, totals, credit, products;
    DruDataSet movFecha, sangria, operators, movTot, closingTypes, zRedz, zForms, zTaxes, zTotals;
    DruDataSet billTable;  // the bill's packet as a table, to take a field out of
    DruText text{"keep"}, day{"77"}, counter{"5"};
    double date = 0;
    bool flag = false;
    std::string bill = BillProducts(2);

    Handles() {
        startup.params.add("CDPORTAIMPFIS", kPort);
        SaleInput sale(kPort, 2, 1);
        sale_params.params = sale.params;
        vendas.table.CopyFrom(sale.vendas);
        movi.table.CopyFrom(sale.movi);
        receb.table.CopyFrom(sale.receb);
        FillPaymentTypes(types.table);
        FillCreditMovements(credit.table, {"4500"});
        FillProductsSold(products.table, 2);
        ClosingInput closing(2, 2);
        movFecha.table.CopyFrom(closing.movFecha);
        sangria.table.CopyFrom(closing.sangria);
        operators.table.CopyFrom(closing.operators);
        movTot.table.CopyFrom(closing.movTot);
        closingTypes.table.CopyFrom(closing.paymentTypes);
    }
};

// Sets a float field of every row of a table.
void SetEveryRow(DruDataSet& ds, const char* field, double value) {
    ds.table.SetFiltered(false);
    for (ds.table.First(); !ds.table.Eof(); ds.table.Next()) {
        ds.table.Edit();
        ds.table.FieldByName(field).SetAsFloat(value);
        ds.table.Post();
    }
}

// The documents as the sweep calls them, every other argument valid.
void CreditVoucher(Handles& h, double doSald = 0) {
    Compr_CredPessoal(kPort, "", "", "", "", "", nullptr, nullptr, &h.credit, doSald, "JUAN", "1", "", "", "", "",
                      "", "", "", "", "", "", "", "", true, "PEREZ", "");
}

void ProductReport(Handles& h) {
    Relatorio_Produto(kPort, "", "", "", "", nullptr, &h.products, "N", "", "Azul", nullptr);
}

void Bill(Handles& h) {
    Conferencia_Outras(kPort, "Azul", "", "", nullptr, "", "12", "4", "PEDRO", "", h.bill.c_str(), 0, 0, 0, 300,
                       0, 3300, 0, 16);
}

void Closing(Handles& h) {
    GeraReciboSangria(kPort, "", "", "", "0007", 16, nullptr, &h.movFecha, &h.sangria, &h.products, &h.operators,
                      &h.movTot, nullptr, nullptr, nullptr, 0, true, false, false, &h.zRedz, &h.zForms,
                      &h.zTaxes, &h.zTotals, &h.flag, &h.closingTypes, "N", "", "", "", "Azul", true, false,
                      false, "", "");
}

class RefusalSweep : public PtyHost {
  protected:
    RefusalSweep() : PtyHost(kPort) {}

    std::vector<std::string> Frames() {
        return inspect([](sim::PrinterModel& m) { return m.frames(); });
    }
};

// ---- NULL handles and outputs -------------------------------------------------

// One pointer argument of an entry point, and whether the call needs it.
struct PointerArgument {
    const char* call;
    const char* name;
    bool required;
    // Runs the call with this argument NULL and every other one valid. The
    // inputs are made to be refused just after the arguments are taken (a
    // figure that does not fit, a missing file), so an optional NULL shows
    // as that other refusal and nothing reaches the printer either way.
    std::function<void(Handles&)> call_with_null;
};

std::vector<PointerArgument> PointerArguments() {
    auto oversized = [](Handles& h) { SetEveryRow(h.vendas, "QTPRODCOMVEN", 2e6); };
    std::vector<PointerArgument> args = {
        {"Nr_Cupom", "result", true, [](Handles&) { Nr_Cupom(kPort, "Azul", nullptr); }},
        {"Carrega_Dados_Impressora", "Params", true,
         [](Handles&) { Carrega_Dados_Impressora(nullptr); }},
        {"StartImpFiscal", "Params", true, [](Handles&) { StartImpFiscal(nullptr); }},
        // No DedOvor.cds in the host folder: refused with the input/output error.
        {"VerificaData", "dtDate", false,
         [](Handles&) { VerificaData("Azul", nullptr, "", "", false); }},
        {"CarregaRecebimento", "cdsTipoRece1", true,
         [](Handles&) { CarregaRecebimento(kPort, "Azul", 16, nullptr); }},
    };
    // ExportRedZ: the three tables it reads or writes, and the two it may be
    // given. Its port does not open here, so it sends nothing.
    const char* export_names[] = {"cdsTipoRece", "cdsReducaoZ", "cdsFormPgtoZ", "cdsImpostoRedz",
                                  "cdsTotNFiscRedZ"};
    for (int i = 0; i < 5; ++i)
        args.push_back({"ExportRedZ", export_names[i], i < 3, [i](Handles& h) {
                            DruDataSet* t[] = {&h.types, &h.redz, &h.forms, &h.taxes, &h.totals};
                            t[i] = nullptr;
                            ExportRedZ("NOPORT", "Azul", "0007", 16, t[0], t[1], t[2], t[3], t[4]);
                        }});
    const char* sale_names[] = {"Params",          "cdsVendas",     "cdsMovi",
                                "cdsRecebimento",  "cdsAliqImpFis", "cdsSaldCred",
                                "cdsFamiliaSaldo", "cdsEmprestimo", "result"};
    for (int i = 0; i < 9; ++i)
        args.push_back(
            {"ImpressaoVenda", sale_names[i], i < 4 || i == 8, [i, oversized](Handles& h) {
                 oversized(h);
                 void* p[9] = {&h.sale_params, &h.vendas, &h.movi,  &h.receb, &h.types,
                               &h.types,       &h.types,  &h.types, &h.text};
                 p[i] = nullptr;
                 ImpressaoVenda(static_cast<DruParams*>(p[0]), static_cast<DruDataSet*>(p[1]),
                                static_cast<DruDataSet*>(p[2]), static_cast<DruDataSet*>(p[3]),
                                static_cast<DruDataSet*>(p[4]), static_cast<DruDataSet*>(p[5]),
                                static_cast<DruDataSet*>(p[6]), static_cast<DruDataSet*>(p[7]), "0",
                                static_cast<DruText*>(p[8]));
             }});
    args.push_back(
        {"Sangria", "cdsSangria", false, [](Handles&) { Sangria(kPort, "Azul", kNaN, nullptr); }});
    args.push_back({"Conferencia_Outras", "stCupomDia", false, [](Handles&) {
                        Conferencia_Outras(kPort, "Azul", "", "", nullptr, "", "12", "4", "PEDRO",
                                           "", "", 0, 0, 0, 0, 0, 0, 0, 16);
                    }});
    for (int i = 0; i < 3; ++i) {
        const char* names[] = {"stCupomDia", "stContadorGNF", "cdsMovCaixaCred"};
        args.push_back({"Compr_CredPessoal", names[i], i == 2, [i](Handles& h) {
                            SetEveryRow(h.credit, "VRMOVIVEND", kNaN);
                            Compr_CredPessoal(kPort, "", "", "", "", "", i == 0 ? nullptr : &h.day,
                                              i == 1 ? nullptr : &h.counter,
                                              i == 2 ? nullptr : &h.credit, 0, "JUAN", "1", "", "",
                                              "", "", "", "", "", "", "", "", "", "", true, "PEREZ",
                                              "");
                        }});
    }
    for (int i = 0; i < 3; ++i) {
        const char* names[] = {"stCupomDia", "cdsProdAux", "boCtrlCupom"};
        args.push_back({"Relatorio_Produto", names[i], i == 1, [i](Handles& h) {
                            SetEveryRow(h.products, "QTPRODVEND", 1e7);
                            Relatorio_Produto(kPort, "", "", "", "", i == 0 ? nullptr : &h.day,
                                              i == 1 ? nullptr : &h.products, "N", "", "Azul",
                                              i == 2 ? nullptr : &h.flag);
                        }});
    }
    // The cash closing with every flag that makes it need its tables: the
    // five it copies, the product table and the four Z tables; the four
    // it never reads and the receipt of the day may be NULL.
    const char* closing_names[] = {"stCupomDia",     "cdsMovFechaAux",    "cdsSangriaAux",
                                   "cdsProdAux",     "cdsOperSup",        "cdsMovTotAux",
                                   "cdsMovAbertura", "cdsProdFechamento", "cdsExtratoCons",
                                   "cdsRedzAux",     "cdsFormRedzAux",    "cdsImpostoRedzAux",
                                   "cdsTotNFisAux",  "boReduziu",         "cdsTipoRece"};
    for (int i = 0; i < 15; ++i) {
        const bool optional = i == 0 || (i >= 6 && i <= 8);
        args.push_back({"GeraReciboSangria", closing_names[i], !optional, [i](Handles& h) {
                            SetEveryRow(h.movFecha, "VRFECHAINF", kNaN);
                            void* p[15] = {&h.day,       &h.movFecha, &h.sangria,     &h.products,
                                           &h.operators, &h.movTot,   &h.types,       &h.types,
                                           &h.types,     &h.zRedz,    &h.zForms,      &h.zTaxes,
                                           &h.zTotals,   &h.flag,     &h.closingTypes};
                            p[i] = nullptr;
                            auto ds = [&](int k) { return static_cast<DruDataSet*>(p[k]); };
                            GeraReciboSangria(
                                kPort, "", "", "", "0007", 16, static_cast<DruText*>(p[0]), ds(1),
                                ds(2), ds(3), ds(4), ds(5), ds(6), ds(7), ds(8), 0, true, false,
                                false, ds(9), ds(10), ds(11), ds(12), static_cast<bool*>(p[13]),
                                ds(14), "N", "", "", "", "Azul", false, false, true, "", "");
                        }});
    }
    return args;
}

TEST_F(RefusalSweep, ANullHandleIsTheBadArgumentErrorWhenTheCallNeedsIt) {
    for (const PointerArgument& arg : PointerArguments()) {
        SCOPED_TRACE(std::string(arg.call) + " with " + arg.name + " NULL");
        Handles handles;
        const std::size_t sent_before = Frames().size();
        arg.call_with_null(handles);
        const std::string error = dru_last_error();
        const std::string named = std::string(arg.call) + ": " + arg.name + " is NULL";
        if (arg.required) {
            EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT);
            EXPECT_EQ(error, named);
        } else {
            EXPECT_EQ(error.find("is NULL"), std::string::npos) << error;
        }
        EXPECT_EQ(Frames().size(), sent_before) << "sent before the refusal";
    }
}

// The sweep follows the one list of entry points: one added there is swept
// here, or named below as taking no handle the host could leave NULL.
TEST_F(RefusalSweep, EveryListedEntryPointThatTakesAHandleIsSwept) {
    const std::set<std::string> without_handles = {"Abre_Gaveta_Imp", "Leitura_X_Imp", "Reducao_Z_Imp",
                                                   "Suprimento"};
    std::set<std::string> swept;
    for (const PointerArgument& arg : PointerArguments()) swept.insert(arg.call);
    for (const std::string& name : kDriverExports)
        EXPECT_TRUE(swept.count(name) || without_handles.count(name))
            << name << " is in src/api/entry_points.def but not in the refusal sweep";
}

// ---- Amounts and quantities that are not finite ------------------------------

struct FigureCase {
    std::string where;
    std::function<void(Handles&, double)> call;
};

std::vector<FigureCase> FigureCases() {
    std::vector<FigureCase> cases = {
        {"Suprimento doValor", [](Handles&, double v) { Suprimento(kPort, "Azul", v, true); }},
        {"Sangria doValor", [](Handles&, double v) { Sangria(kPort, "Azul", v, nullptr); }},
        {"Compr_CredPessoal doSald", [](Handles& h, double v) { CreditVoucher(h, v); }},
        {"Compr_CredPessoal VRMOVIVEND",
         [](Handles& h, double v) {
             SetEveryRow(h.credit, "VRMOVIVEND", v);
             CreditVoucher(h);
         }},
    };
    const char* bill_arguments[] = {"doVrDesc", "doConsMin", "doCouver", "doVrTxSer", "doTotal"};
    for (int i = 0; i < 5; ++i)
        cases.push_back(
            {std::string("Conferencia_Outras ") + bill_arguments[i], [i](Handles& h, double v) {
                 double a[5] = {0, 0, 0, 300, 3300};
                 a[i] = v;
                 Conferencia_Outras(kPort, "Azul", "", "", nullptr, "", "12", "4", "PEDRO", "",
                                    h.bill.c_str(), a[0], a[1], a[2], a[3], 0, a[4], 0, 16);
             }});
    for (const char* field : {"QTPRODCOMVEN", "VRPRECCOMVEN"})
        cases.push_back(
            {std::string("Conferencia_Outras DADOS ") + field, [field](Handles& h, double v) {
                 h.billTable.table.SetDataPacket(h.bill);
                 SetEveryRow(h.billTable, field, v);
                 h.bill = h.billTable.table.GetDataPacket();
                 Bill(h);
             }});
    for (const char* field :
         {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRDESCCOMVEN", "VRACRCOMANDA", "VRTXSERVICO"})
        cases.push_back(
            {std::string("ImpressaoVenda cdsVendas ") + field, [field](Handles& h, double v) {
                 SetEveryRow(h.vendas, field, v);
                 ImpressaoVenda(&h.sale_params, &h.vendas, &h.movi, &h.receb, nullptr, nullptr,
                                nullptr, nullptr, "0", &h.text);
             }});
    // An exempt-only sale: its figures go into the breakdown's total.
    for (const char* field : {"QTPRODCOMVEN", "VRPRECCOMVEN", "VRDESCCOMVEN", "VRACRCOMANDA"})
        cases.push_back(
            {std::string("ImpressaoVenda exempt item ") + field, [field](Handles& h, double v) {
                 h.vendas.table.First();
                 for (; !h.vendas.table.Eof(); h.vendas.table.Next()) {
                     h.vendas.table.Edit();
                     h.vendas.table.FieldByName("IDTPIMPOSFIS").SetAsString("I");
                     h.vendas.table.Post();
                 }
                 SetEveryRow(h.vendas, field, v);
                 ImpressaoVenda(&h.sale_params, &h.vendas, &h.movi, &h.receb, nullptr, nullptr,
                                nullptr, nullptr, "0", &h.text);
             }});
    cases.push_back({"ImpressaoVenda cdsMovi VRMOVIVEND", [](Handles& h, double v) {
                         SetEveryRow(h.movi, "VRMOVIVEND", v);
                         ImpressaoVenda(&h.sale_params, &h.vendas, &h.movi, &h.receb, nullptr,
                                        nullptr, nullptr, nullptr, "0", &h.text);
                     }});
    for (const char* field : {"QTPRODVEND", "VRTOTAL"})
        cases.push_back({std::string("Relatorio_Produto ") + field, [field](Handles& h, double v) {
                             SetEveryRow(h.products, field, v);
                             ProductReport(h);
                         }});
    cases.push_back({"GeraReciboSangria cdsMovFechaAux VRFECHAINF", [](Handles& h, double v) {
                         SetEveryRow(h.movFecha, "VRFECHAINF", v);
                         Closing(h);
                     }});
    return cases;
}

TEST_F(RefusalSweep, AFigureThatIsNotFiniteRefusesTheDocumentBeforeAnythingIsSent) {
    for (const FigureCase& c : FigureCases()) {
        for (const double v : {kNaN, kInf, -kInf}) {
            SCOPED_TRACE(c.where + " = " + std::to_string(v));
            Handles handles;
            const std::size_t sent_before = Frames().size();
            c.call(handles, v);
            EXPECT_EQ(dru_last_error_code(), DRU_ERR_BAD_ARGUMENT) << dru_last_error();
            // "... is not a finite number", or "... does not fit the printer's
            // n-digit field" where a fixed operand takes it.
            const std::string error = dru_last_error();
            EXPECT_TRUE(error.find("not a finite number") != std::string::npos ||
                        error.find("does not fit") != std::string::npos)
                << error;
            EXPECT_EQ(Frames().size(), sent_before)
                << "sent: " << ::testing::PrintToString(Frames());
        }
    }
}

// ---- Inputs a printed line or a fixed field cannot take ----------------------

// The table with every field but `field`, rows and values kept.
void DropField(DruDataSet& ds, const std::string& field) {
    TClientDataSet copy;
    std::vector<FieldDef> kept;
    for (const FieldDef& d : ds.table.FieldDefs())
        if (d.name != field) kept.push_back(d);
    if (kept.empty()) kept.push_back({"OTHER", FieldType::String, 0});  // a table keeps one field
    for (const FieldDef& d : kept) copy.AddFieldDef(d.name, d.type, d.size);
    copy.CreateDataSet();
    ds.table.SetFiltered(false);
    for (ds.table.First(); !ds.table.Eof(); ds.table.Next()) {
        copy.Append();
        for (const FieldDef& d : kept)
            if (ds.table.HasField(d.name) && !ds.table.FieldByName(d.name).IsNull())
                copy.FieldByName(d.name).SetAsString(ds.table.FieldByName(d.name).AsString());
        copy.Post();
    }
    ds.table.CopyFrom(copy);
}

void SetEveryRowText(DruDataSet& ds, const char* field, const char* value) {
    for (ds.table.First(); !ds.table.Eof(); ds.table.Next()) {
        ds.table.Edit();
        ds.table.FieldByName(field).SetAsString(value);
        ds.table.Post();
    }
}

void Sale(Handles& h, const char* saldo = "0", DruDataSet* cred = nullptr) {
    ImpressaoVenda(&h.sale_params, &h.vendas, &h.movi, &h.receb, nullptr, cred, nullptr, nullptr, saldo, &h.text);
}

// The sale on a family's balance (TIPOVENDA "1").
void FamilySale(Handles& h) {
    TParams family;
    for (const Param& p : h.sale_params.params.pairs()) family.add(p.name, p.name == "TIPOVENDA" ? "1" : p.value);
    h.sale_params.params.replace(family);
}

struct HostileCase {
    std::string where;
    std::function<void(Handles&)> call;
    int32_t kind;
    std::string says;  // in the error
};

// A voucher sale whose other payments leave a credit note to print before the ticket.
void VoucherSaleWithCreditNote(Handles& h) {
    TClientDataSet movi;
    FillTable(movi,
              {{"IDTIPOMOVIVE", FieldType::String}, {"IDTIPORECE", FieldType::String},
               {"CDTIPORECE", FieldType::String}, {"VRMOVIVEND", FieldType::Float},
               {"CDFPIMPFIS", FieldType::String}, {"DSIMPFISCAL", FieldType::String}},
              {{"E", "4", "001", "2000", "01", "EFECTIVO"}, {"E", "5", "005", "500", "06", "VALE"}});
    h.movi.table.CopyFrom(movi);
}

// A sale charged to the consumer's debit.
void DebitSale(Handles& h) { SetEveryRowText(h.movi, "IDTIPOMOVIVE", "T"); }

// Every field a document reads, missing from the table it comes in: the
// table error naming the table and the field, before the document's first
// frame (the drawer included).
struct DocumentFields {
    std::function<void(Handles&)> prepare;
    DruDataSet Handles::*table;
    std::string says;  // "<table> has no field "
    std::vector<const char*> fields;
    std::function<void(Handles&)> run;
};

void AddMissingFields(std::vector<HostileCase>& cases) {
    const auto none = [](Handles&) {};
    const auto vendas = &Handles::vendas, movi = &Handles::movi;
    const auto sale = [](Handles& h) { Sale(h); };
    const std::vector<DocumentFields> documents = {
        {none, vendas, "cdsVendas has no field ", {"VRTXSERVICO", "NMPRODUTO", "CDARVPROD", "NMOPERADOR", "CDLOJA"}, sale},
        {none, movi, "cdsMovi has no field ", {"CDFPIMPFIS"}, sale},
        {VoucherSaleWithCreditNote, vendas, "cdsVendas has no field ", {"NMOPERADOR", "CDLOJA"}, sale},
        {VoucherSaleWithCreditNote, movi, "cdsMovi has no field ", {"DSIMPFISCAL"}, sale},
        {DebitSale, vendas, "cdsVendas has no field ", {"NMPRODUTO", "NMOPERADOR"}, sale},
        {[](Handles& h) { h.billTable.table.SetDataPacket(h.bill); }, &Handles::billTable, "DADOS has no field ",
         {"NMPRODUTO", "QTPRODCOMVEN", "VRPRECCOMVEN"},
         [](Handles& h) { h.bill = h.billTable.table.GetDataPacket(); Bill(h); }},
        // Without CDPRODUTO the copy's index refuses the products' table.
        {none, &Handles::products, "cdsProdVend has no field ", {"NMPRODUTO", "QTPRODVEND", "VRTOTAL"}, ProductReport},
        {none, &Handles::credit, "cdsMovCaixaCred has no field ", {"VRMOVIVEND"}, [](Handles& h) { CreditVoucher(h); }},
        {none, &Handles::movFecha, "cdsMovFecha has no field ", {"VRFECHAINF", "NMTIPORECE"}, Closing},
        {none, &Handles::operators, "cdsOperadorSup has no field ", {"CDOPERADOR", "NMOPERADOR"}, Closing},
    };
    for (const DocumentFields& d : documents)
        for (const char* field : d.fields)
            cases.push_back({d.says + field,
                             [d, field](Handles& h) {
                                 d.prepare(h);
                                 DropField(h.*d.table, field);
                                 d.run(h);
                             },
                             DRU_ERR_TABLE, d.says + field});
}

std::vector<HostileCase> HostileCases() {
    std::vector<HostileCase> cases = {
        {"Suprimento 1e300", [](Handles&) { Suprimento(kPort, "Azul", 1e300, true); }, DRU_ERR_BAD_ARGUMENT,
         "Suprimento: doValor: "},
        {"Sangria 1e300", [](Handles&) { Sangria(kPort, "Azul", 1e300, nullptr); }, DRU_ERR_BAD_ARGUMENT,
         "does not fit the printed 23-character field"},
        {"Compr_CredPessoal 1e300",
         [](Handles& h) { CreditVoucher(h, 1e300); },
         DRU_ERR_BAD_ARGUMENT, "Compr_CredPessoal: final balance: "},
        {"empty CDFPIMPFIS", [](Handles& h) { SetEveryRowText(h.movi, "CDFPIMPFIS", ""); Sale(h); },
         DRU_ERR_BAD_ARGUMENT, "ImpressaoVenda: row 1, CDFPIMPFIS: \"\" is not the printer's 2-character code"},
        {"long CDFPIMPFIS", [](Handles& h) { SetEveryRowText(h.movi, "CDFPIMPFIS", "123"); Sale(h); },
         DRU_ERR_BAD_ARGUMENT, "\"123\" is not the printer's 2-character code"},
        {"negative quantity", [](Handles& h) { SetEveryRow(h.vendas, "QTPRODCOMVEN", -2); Sale(h); },
         DRU_ERR_BAD_ARGUMENT, "ImpressaoVenda: row 1, QTPRODCOMVEN: -2 is negative"},
        {"a figure with all its digits", [](Handles& h) { SetEveryRow(h.movi, "VRMOVIVEND", 12345678901.5); Sale(h); },
         DRU_ERR_BAD_ARGUMENT, "12345678901.5 does not fit the printer's 10-digit field"},
        {"family balance table NULL",
         [](Handles& h) {
             FamilySale(h);
             DruDataSet cred;
             FillTable(cred.table, {{"CDFAMILISALD", FieldType::String}, {"VRSALDCONFAM", FieldType::Float},
                                    {"NMFAMILISALD", FieldType::String}}, {{"7", "500", "PEREZ"}});
             Sale(h, "1", &cred);
         },
         DRU_ERR_BAD_ARGUMENT, "cdsFamiliaSaldo is NULL"},
        {"family name field missing",
         [](Handles& h) {
             FamilySale(h);
             DruDataSet cred;
             FillTable(cred.table, {{"VRSALDCONFAM", FieldType::Float}}, {{"500"}});
             Sale(h, "0", &cred);
         },
         DRU_ERR_TABLE, "NMFAMILISALD"},
        {"cdsVendas without VRDESCCOMVEN", [](Handles& h) { DropField(h.vendas, "VRDESCCOMVEN"); Sale(h); },
         DRU_ERR_TABLE, "ImpressaoVenda: cdsVendas: Field 'VRDESCCOMVEN' not found"},
    };
    AddMissingFields(cases);
    return cases;
}

TEST_F(RefusalSweep, WhatAFrameOrAPrintedLineCannotTakeRefusesTheDocumentBeforeAnythingIsSent) {
    for (const HostileCase& c : HostileCases()) {
        SCOPED_TRACE(c.where);
        Handles handles;
        const std::size_t sent_before = Frames().size();
        c.call(handles);
        EXPECT_EQ(dru_last_error_code(), c.kind) << dru_last_error();
        EXPECT_NE(std::string(dru_last_error()).find(c.says), std::string::npos) << dru_last_error();
        EXPECT_EQ(Frames().size(), sent_before) << "sent: " << ::testing::PrintToString(Frames());
    }
}

}  // namespace
}  // namespace dru::test
