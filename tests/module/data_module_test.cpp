#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "module/data_module.h"

namespace dru {
namespace {

std::vector<std::string> Keys(const TMessages& m) {
    std::vector<std::string> keys;
    for (const auto& [k, t] : m.lines()) keys.push_back(k);
    return keys;
}

// What a data module is bound to in these tests.
struct Bindings {
    FormatSettings format;
    VirtualClock clock;
};

Bindings& TestBindings() {
    static Bindings b;
    return b;
}

// The data module is costly enough to build once for the read-only checks.
const TdtmImpressoraIBM& Module() {
    static const TdtmImpressoraIBM dm(TestBindings().format, TestBindings().clock);
    return dm;
}

const std::vector<std::string> kMsgPadraoKeys = {
    "Nome", "Relatorio", "ConfReducao", "CancelaTEF", "Consumidor", "Dinheiro", "Convenio",
    "AliqNaoCad", "ImpErro", "CNPJCPF", "FimPapel", "ErroRelogio", "ErroItem", "Deseja",
    "SyntaxErro", "ComandoErro", "CupomAberto", "AbreCaixa", "ParamErro", "TipoParamErro",
    "MemLotada", "MemRAMErro", "AliqNProg", "AliqLotada", "CancNPermitido", "CancNPermitidoX",
    "CGCIENProg", "ComandoNExec", "ErroPorta", "Suprimento", "Sangria", "VENDA-CONS", "CV-EMITIDO",
    "CV-EMI", "CV-RECEBIDO", "RELAT-GER", "Compra-Cred", "Canc-Cred", "TEF", "CONTRA-VALE",
    "DataDif", "ErroComando", "DataFiscalAnterior", "PoucoPapel", "AliqNaoCad", "RelGerencial",
    "GerandoRecSang", "RecSangria3", "RecSangria1", "Modalidade", "TotalizVendaCons", "Valor_",
    "Envelope", "Superv", "Operador", "PRECO_SUBSIDIO", "VR_COMPLEMENTO", "GerandoRelProd",
    "RelProdutoDia", "RelProdutoAbe", "Codigo", "Nome", "Qtde_", "Valor2", "GerandoRelFech",
    "RelFechamento", "Vendas", "TOTAL_PROD", "CV-EMITIDO", "Suprimento", "Sangrias", "Sobra",
    "Falta", "Imprimindo", "ConfRelProds", "Conf_mesa", "Comanda", "Mesa", "Emissao", "Garcom",
    "Desconto", "Consuma_Min", "Couvert", "Tx_Serv", "Total", "ERRO_IMP", "RegVen", "VrUnit",
    "Tran_N_Efet", "Imp_N_Resp", "ComprDebito", "CDCons", "NmCons", "NmFami", "CV-EMITIDO_ITA",
    "RELAT-GER_Itau", "Conv", "TampAberta", "Tampa_aberta", "TOTALIZ", "TOTALIZOUTROS", "CDCLIE",
    "Ope_Imp_Pap", "Tot_Acre", "Tot_Desc", "Tot_Valor", "ErroComunicacao", "ErroExecucao",
    "ParamInvalido", "ErroArqIni", "ImpDeslig", "BancoNCad", "ErroAbrirArq", "TransCanc",
    "TransAprov", "ImpNConcl", "OperNConcl", "Acrescimo", "FormPgtoNProg", "TotNFisNProg",
    "TransEfet", "InfNImpre", "Promocao", "Conta_Mesa", "Garcon", "Data", "Data1", "Isento",
    "Total_Compra", "Troco", "Hora", "Cigarro_Isento", "Caixa", "loja", "ComprCredito",
    "Canc_ComprCredito", "Canc_Deposito", "Nr_Deposito", "VrCupom", "VrSaldo", "Parcial",
    "Total_conta", "Korvane", "Rel_Sangria", "NIncide", "TRIBUTACAO", "TRIBUTADOS", "SubTrib",
    "OPE_N_CV", "OPE_N_CART", "N_POS_DIR", "DCVT32_N_ENC", "N_POS_DCVT32", "N_ENC_CLIENTE.CFG",
    "ProdVend", "Cabecalho", "ERRO_ABRE_CUP", "SENHA", "SEQ", "CONF_MES", "PESSOAS", "APROX",
    "POR_PESS", "TOTAL_CUP", "DOC_SEM_VAL_FIS", "SEN_PED", "ERRO_INTER", "VER_ARQ_CHEQUE",
    "NRFISC_ZERO", "ABRE_CHAMADO", "ECF_INUT_30", "SEM_SUCESS_ABRE_CHAM", "CUP_COPR_INV",
    "FIM_PAPEL", "TAMPA_ABER", "TOT_MEN_SUB", "REDZ_REALIZ", "LEITX_OBRIG", "ERRO_COM_ECF",
    "FIN_LIST_REG", "BAN_N_CAD", "ConfRelFechamento", "BOBIN_ACAB", "Aber_mesa", "Fech_mesa",
    "Fech_comanda", "Sald_Cons", "Valor_Fam", "FAMILIA", "Bemafi_Imp", "GER_PDR_N_ATV",
    "CANC_TRANS", "DOC_NO", "Erro_Disp", "ErroInv_Disp", "Erroporta_Disp", "REDE", "REG_DARUMA",
    "OPE_FORMA_N_PERM", "REDZ_EMIT", "AGUARDE_CUPOM", "Cancelado", "Transf_Mesa", "CatRio_Gerada",
    "FILIAL", "RESUMOTRIBUTACAO", "Params1", "Motivo", "Observacao",
};

const std::vector<std::string> kMsgPadrao2StoredKeys = {
    "Erro_Detectar", "Erro_FechaPorta", "Erro_SWMFD", "Erro_Data", "Erro_Faixa", "Erro_ArqOri",
    "Erro_ArqDes", "Erro_AberLog", "Erro_100", "Erro_Arq_NEnc", "Erro_Arq_Sel", "Erro_Arq_Ori",
    "Erro_Memoria", "Erro_temporario", "Erro_Arq_Sai", "Erro_invalido", "Erro_Instancia",
    "Erro_Mes", "Erro_Insuficiente", "Erro_Gravacao", "Erro_Timeout", "Erro_Off_line",
    "Erro_tampa_imp", "Erro_sem_papel", "Erro_bobina", "Erro_sintaxe", "Erro_Comando_Inv",
    "Erro_Execucao", "Erro_Aplicativo", "GER_COTEPE_OK", "SALDO_FIN", "NRCUPOM", "Data", "NRSERIE",
    "NRDEPOSITO", "INSCMUNICIPAL", "INSCRICAOMUNICIPAL", "REDZDATA_IBM",
};

TEST(DataModuleMessages, KeysInStoredOrderWithTheirDuplicates) {
    // The 209 stored lines first and in order, then the module's own: the
    // product report's title and the give-up notices.
    const auto keys = Keys(Module().msgPadrao);
    ASSERT_EQ(keys.size(), 215u);
    EXPECT_EQ(std::vector<std::string>(keys.begin(), keys.begin() + 209), kMsgPadraoKeys);
    EXPECT_EQ(keys[209], "RelProdutos");
    EXPECT_EQ(std::vector<std::string>(keys.begin() + 210, keys.end()),
              (std::vector<std::string>{"IMP_SEM_RESPOSTA", "IMP_SEM_RESPOSTA1", "IMP_SEM_RESPOSTA2", "IMP_RECUSOU",
                                        "IMP_NAO_ENVIADO"}));

    for (const char* key : {"Nome", "AliqNaoCad", "Suprimento", "CV-EMITIDO"})
        EXPECT_EQ(std::count(kMsgPadraoKeys.begin(), kMsgPadraoKeys.end(), key), 2) << key;
    std::set<std::string> distinct(kMsgPadraoKeys.begin(), kMsgPadraoKeys.end());
    EXPECT_EQ(distinct.size(), 205u);  // only those four are stored twice

    // msgPadrao2: the 38 stored lines first and in order, then the printer
    // error notices the error analysis shows.
    const auto keys2 = Keys(Module().msgPadrao2);
    ASSERT_GE(keys2.size(), 38u);
    EXPECT_EQ(std::vector<std::string>(keys2.begin(), keys2.begin() + 38), kMsgPadrao2StoredKeys);
    EXPECT_EQ(std::vector<std::string>(keys2.begin() + 38, keys2.end()),
              (std::vector<std::string>{"Erro013", "Erro018", "Erro043", "Erro064", "Erro067",
                                        "Erro068", "Erro080", "Erro082"}));
}

TEST(DataModuleMessages, StoredTextsExact) {
    struct Case {
        const char* key;
        const char* text;
    };
    const Case padrao[] = {
        {"Rel_Sangria", "Relatório de Sangria"},
        {"Operador", "Operador"},
        {"Codigo", "CODIGO"},
        {"Nome", "NOME"},
        {"Qtde_", "QTDE"},
        {"Valor2", "VLR.TOT."},
        {"Valor_", "VALOR"},
        {"Consumidor", "Consumidor"},
        {"Sald_Cons", "Saldo Final : "},
        {"OPE_FORMA_N_PERM",
         "Operação bloqueada. Existem produtos isentos na venda que não podem ser recebidos com a "
         "forma de pagamento selecionada."},
        {"ComprCredito", "COMPRA DE CREDITO"},
        {"Nr_Deposito", "Nr.Deposito: "},
        {"NmCons", "Consumidor..: "},
        {"NmFami", "Familia.....: "},
        {"VrCupom", "Valor ......: "},
        {"VrSaldo", "Saldo Final : "},
        {"ConfRelProds", "Confirma impressão do Relatório de Produtos?"},
        {"AbreCaixa", "Deseja abrir o caixa?"},
        {"ConfReducao", "Confirma impressão da redução z?"},
        // Asked for as "Datadif", stored as "DataDif".
        {"Datadif", "Data da impressora fiscal difere da data do sistema em mais de 15 minutos."},
        // The first of the two entries answers.
        {"AliqNaoCad", "Alíquota não cadastrada na impressora fiscal."},
    };
    for (const auto& c : padrao) EXPECT_EQ(Module().msgPadrao.Msg(c.key), c.text) << c.key;

    EXPECT_EQ(Module().msgPadrao2.Msg("REDZDATA_IBM"),
              "Já se passaram 26 horas sem a emissão de uma Redução Z. Confirma a impressão da "
              "Redução Z?");

    // Second AliqNaoCad entry, and the capital D of the stored key.
    const auto& lines = Module().msgPadrao.lines();
    auto second = std::find_if(std::find_if(lines.begin(), lines.end(),
                                            [](auto& l) { return l.first == "AliqNaoCad"; }) + 1,
                               lines.end(), [](auto& l) { return l.first == "AliqNaoCad"; });
    ASSERT_NE(second, lines.end());
    EXPECT_EQ(second->second, "AliqNaoCad");
    EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [](auto& l) { return l.first == "DataDif"; }));
}

TEST(DataModuleMessages, EveryStoredKeyHasATextAndTheReportTitleIsTheModulesOwn) {
    for (const auto* table : {&Module().msgPadrao, &Module().msgPadrao2})
        for (const auto& [k, t] : table->lines()) EXPECT_FALSE(t.empty()) << k;
    // Not among the stored lines: the module adds the product report's title.
    EXPECT_EQ(std::count(kMsgPadraoKeys.begin(), kMsgPadraoKeys.end(), "RelProdutos"), 0);
    EXPECT_EQ(Module().msgPadrao.Msg("RelProdutos"), "Relatório de Produtos");
    EXPECT_EQ(Module().msgPadrao2.Msg("RelProdutos"), "");
    // The vendor footer fits the printer's comment line.
    EXPECT_LE(Module().msgPadrao.Msg("Korvane").size(), 42u);
    // Erro064 is asked as a yes/no question.
    EXPECT_TRUE(Module().msgPadrao2.Msg("Erro064").ends_with("?"));
}

// ---- Tables ---------------------------------------------------------------------

struct F {
    const char* name;
    FieldType type;
    int size;
};
constexpr FieldType S = FieldType::String;
constexpr FieldType D = FieldType::Float;
constexpr FieldType T = FieldType::DateTime;

const std::vector<F> kLayoutA = {
    {"CDFILIAL", S, 4},      {"CDTIPORECE", S, 3},    {"NMTIPORECE", S, 40},   {"VRTAXAADMI", D, 0},
    {"VRMINCARTAO", D, 0},   {"CDTIPOTROCO", S, 3},   {"NRORDTROCO", S, 3},    {"IDEMIVALE", S, 1},
    {"IDVALE", S, 1},        {"IDDEBCLIE", S, 1},     {"CDFPIMPFIS", S, 10},   {"IDTIPORECE", S, 1},
    {"CDTPINDICE", S, 1},    {"IDPERVALOR", S, 1},    {"CDINDICE", S, 4},      {"NRCONFTELA", S, 5},
    {"IDTPBUTTON", S, 1},    {"NRBUTTON", S, 5},      {"NRPGCONFTELA", S, 2},  {"IDTPBUTONAUX", S, 1},
    {"NRBUTTONAUX", S, 5},   {"NRPGCONFTAUX", S, 2},  {"CDIDENTBUTON", S, 10}, {"DSBUTTON", S, 40},
    {"NRCOLORTEXT", D, 0},   {"NRCOLORBACK", D, 0},   {"DSMESSAGEBUT", S, 300}, {"DSIMAGEMBUT", S, 200},
    {"DSIMPFISCAL", S, 50},  {"CDADMINCART", S, 20},  {"CDBANCARTCR", S, 10},  {"IDMOSTRARECE", S, 1},
    {"IDDESABTEF", S, 1},
};

std::vector<F> ReductionZ(bool with_origin) {
    std::vector<F> z = {
        {"NRECFREDZ", S, 4},     {"DTREDUCAOZ", T, 0},    {"NRREINIREDZ", S, 10},
        {"NRREDREDZ", S, 10},    {"NRLEITREDZ", S, 10},   {"NRGERCNFREDZ", S, 10},
        {"NRCANCFREDZ", S, 10},  {"NRPRIMCFREDZ", S, 10}, {"NRULTCFREDZ", S, 10},
        {"VRGTREDZ", D, 0},      {"VRVENBRUREDZ", D, 0},  {"VRISSREDZ", D, 0},
        {"VRTOTCANREDZ", D, 0},  {"VRTOTDESREDZ", D, 0},  {"VRVENLIQREDZ", D, 0},
        {"VRTOTACRREDZ", D, 0},  {"VRSTRIBREDZ", D, 0},   {"VRISENCREDZ", D, 0},
        {"VRNINCIDREDZ", D, 0},  {"QTTEMLIGREDZ", S, 6},  {"QTTEMPCFREDZ", S, 6},
        {"QTMEMRESREDZ", D, 0},  {"DSMODMARCAECF", S, 30}, {"NRUSUARIOMFD", S, 10},
        {"CDMFADICIONAL", S, 5}, {"DTGRAVSBECF", T, 0},
    };
    if (with_origin) z.insert(z.begin() + 22, {"IDORIGEMREDZ", S, 3});
    return z;
}

const std::vector<F> kPaymentForms = {
    {"NRECFREDZ", S, 4}, {"DTREDUCAOZ", T, 0}, {"CDTIPORECE", S, 3}, {"VRFORMPGTORZ", D, 0},
    {"CDTPRECEORIG", S, 3}};
const std::vector<F> kTaxes = {
    {"NRECFREDZ", S, 4},     {"DTREDUCAOZ", T, 0},  {"CDALIQIMPRZ", S, 10}, {"VRALIQIMPRZ", D, 0},
    {"VRBCALCIMPRZ", D, 0},  {"VRIMPOSTORZ", D, 0}, {"IDTPIMPREDZ", S, 1}};
const std::vector<F> kNonFiscal = {
    {"NRECFREDZ", S, 4},     {"DTREDUCAOZ", T, 0},   {"NRTOTNFISCRZ", S, 10},
    {"DSTOTNFISCRZ", S, 50}, {"NRCONTOTNFIS", S, 10}, {"VRACUTOTNFIS", D, 0}};

void ExpectLayout(const TClientDataSet& ds, const std::vector<F>& want, const char* table) {
    const auto& got = ds.FieldDefs();
    ASSERT_EQ(got.size(), want.size()) << table;
    for (std::size_t i = 0; i < want.size(); ++i) {
        EXPECT_EQ(got[i].name, want[i].name) << table << " field " << i;
        EXPECT_EQ(got[i].type, want[i].type) << table << " " << want[i].name;
        if (want[i].type == FieldType::String) {
            EXPECT_EQ(got[i].size, want[i].size) << table << " " << want[i].name;
        }
    }
}

TEST(DataModuleTables, FieldLayoutsInOrder) {
    const auto& dm = Module();
    const std::vector<F> layoutA29(kLayoutA.begin(), kLayoutA.begin() + 29);
    const struct {
        const TClientDataSet* ds;
        const std::vector<F>* fields;
        const char* name;
    } cases[] = {
        {&dm.cdsTipoReceImp, &kLayoutA, "cdsTipoReceImp"},
        {&dm.cdsTipoReceAux, &kLayoutA, "cdsTipoReceAux"},
        {&dm.cdsTipoReceIBM, &layoutA29, "cdsTipoReceIBM"},
        {&dm.cdsFormPgtoRedZImp, &kPaymentForms, "cdsFormPgtoRedZImp"},
        {&dm.cdsFormRedzAux01, &kPaymentForms, "cdsFormRedzAux01"},
        {&dm.cdsImpostoRedZImp, &kTaxes, "cdsImpostoRedZImp"},
        {&dm.cdsImpostoRedzAux01, &kTaxes, "cdsImpostoRedzAux01"},
        {&dm.cdsTotNFiscRedZImp, &kNonFiscal, "cdsTotNFiscRedZImp"},
        {&dm.cdsTotNFisAux01, &kNonFiscal, "cdsTotNFisAux01"},
    };
    for (const auto& c : cases) ExpectLayout(*c.ds, *c.fields, c.name);
    EXPECT_EQ(dm.cdsTipoReceIBM.FieldDefs().back().name, "DSIMPFISCAL");

    ExpectLayout(dm.cdsReducaoZImp, ReductionZ(true), "cdsReducaoZImp");
    ExpectLayout(dm.cdsRedzAux01, ReductionZ(false), "cdsRedzAux01");
    EXPECT_EQ(dm.cdsReducaoZImp.FieldDefs().size(), 27u);

    ExpectLayout(dm.cdsMovFecha,
                 {{"CDTIPORECE", S, 3}, {"NMTIPORECE", S, 40}, {"DTABERCAIX", T, 0},
                  {"VRFECHAINF", D, 0}, {"VRFECHADIG", D, 0}, {"NRENVELOPE", S, 6}},
                 "cdsMovFecha");
    EXPECT_EQ(dm.cdsMovFecha.DisplayFormat("VRFECHADIG"), "#,##0.00");
    ExpectLayout(dm.cdsSangria,
                 {{"CDTIPORECE", S, 3}, {"NMTIPORECE", S, 40}, {"VRSANGRIA", D, 0}, {"CDCLIENTE", S, 21}},
                 "cdsSangria");
    ExpectLayout(dm.cdsMovTot,
                 {{"IDTIPOREG", S, 1}, {"CDTIPORECE", S, 3}, {"NMTIPORECE", S, 40}, {"VRSAIDA", D, 0}},
                 "cdsMovTot");
    // These take their structure from the data put into them.
    for (const auto* ds : {&dm.cdsPorta, &dm.cdsOperadorSup, &dm.cdsParcProdutos, &dm.cdsProdVend})
        EXPECT_TRUE(ds->FieldDefs().empty());
}

TEST(DataModuleTables, LaidOutTablesStartOpenAndEmpty) {
    TdtmImpressoraIBM dm(TestBindings().format, TestBindings().clock);
    for (TClientDataSet* ds : {&dm.cdsMovFecha, &dm.cdsReducaoZImp, &dm.cdsFormPgtoRedZImp,
                               &dm.cdsTipoReceIBM, &dm.cdsTotNFisAux01}) {
        EXPECT_TRUE(ds->Active());
        EXPECT_TRUE(ds->IsEmpty());
    }
    // Ready to take a record as the totals export writes it.
    dm.cdsFormPgtoRedZImp.Insert();
    dm.cdsFormPgtoRedZImp.FieldByName("CDTIPORECE").SetAsString("001");
    dm.cdsFormPgtoRedZImp.FieldByName("VRFORMPGTORZ").SetAsFloat(1500.5);
    dm.cdsFormPgtoRedZImp.Post();
    EXPECT_EQ(dm.cdsFormPgtoRedZImp.RecordCount(), 1);
}

// The product report copies the host's products in, then sorts by the index.
TEST(DataModuleTables, ProductIndexesOrderTheCopiedProducts) {
    TdtmImpressoraIBM dm(TestBindings().format, TestBindings().clock);
    TClientDataSet host;
    host.AddFieldDef("CDPRODUTO", FieldType::String, 13);
    host.AddFieldDef("IDTPIMPOSFIS", FieldType::String, 1);
    host.AddFieldDef("VRPEALIMPFIS", FieldType::Float);
    host.CreateDataSet();
    const struct {
        const char* code;
        const char* tax;
        double rate;
    } rows[] = {{"300", "T", 19}, {"100", "I", 0}, {"200", "T", 10}};
    for (const auto& r : rows) {
        host.Append();
        host.FieldByName("CDPRODUTO").SetAsString(r.code);
        host.FieldByName("IDTPIMPOSFIS").SetAsString(r.tax);
        host.FieldByName("VRPEALIMPFIS").SetAsFloat(r.rate);
        host.Post();
    }
    dm.cdsProdVend.CopyFrom(host);

    auto order = [&](const char* index, const char* field) {
        dm.cdsProdVend.SetIndexName(index);
        std::vector<std::string> seen;
        for (dm.cdsProdVend.First(); !dm.cdsProdVend.Eof(); dm.cdsProdVend.Next())
            seen.push_back(dm.cdsProdVend.FieldByName(field).AsString());
        return seen;
    };
    EXPECT_EQ(order("IDXCDPRODUTO", "CDPRODUTO"), (std::vector<std::string>{"100", "200", "300"}));
    EXPECT_EQ(order("idxTributacao", "CDPRODUTO"), (std::vector<std::string>{"100", "200", "300"}));
    EXPECT_EQ(order("", "CDPRODUTO"), (std::vector<std::string>{"300", "100", "200"}));
}

// ---- The slot ---------------------------------------------------------------------

TEST(DataModuleSlot, CreatedOnFirstUseThenTheSameInstance) {
    DataModuleSlot slot(TestBindings().format, TestBindings().clock);
    EXPECT_FALSE(slot.exists());
    TdtmImpressoraIBM* first = &slot.get();
    EXPECT_TRUE(slot.exists());
    EXPECT_EQ(&slot.get(), first);
    // Asking for a text through the link's interface uses the same module.
    MessageTables& texts = slot;
    EXPECT_EQ(&texts.msgPadrao(), &first->msgPadrao);
    EXPECT_EQ(&texts.msgPadrao2(), &first->msgPadrao2);

    DataModuleSlot other(TestBindings().format, TestBindings().clock);
    EXPECT_EQ(other.msgPadrao2().Msg("REDZDATA_IBM"), first->msgPadrao2.Msg("REDZDATA_IBM"));
    EXPECT_TRUE(other.exists());  // a text lookup creates the module
}

TEST(DataModuleSlot, ThreadsRacingForTheFirstUseGetOneInstance) {
    for (int round = 0; round < 20; ++round) {
        DataModuleSlot slot(TestBindings().format, TestBindings().clock);
        constexpr int kThreads = 4;
        std::vector<TdtmImpressoraIBM*> got(kThreads, nullptr);
        std::vector<std::thread> threads;
        for (int i = 0; i < kThreads; ++i) threads.emplace_back([&, i] { got[i] = &slot.get(); });
        for (auto& t : threads) t.join();
        for (auto* p : got) EXPECT_EQ(p, got[0]);
    }
}

}  // namespace
}  // namespace dru
