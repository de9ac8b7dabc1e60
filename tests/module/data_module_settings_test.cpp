// The data module's tables convert with the regional settings and the clock
// they were handed: the module's own records, so a later
// dru_set_format_settings reaches tables made before it.
#include <gtest/gtest.h>

#include <vector>

#include "dru01000.h"
#include "host/clock.h"
#include "host/format.h"
#include "module/data_module.h"
#include "module/module.h"

namespace dru {
namespace {

std::vector<const TClientDataSet*> AllTables(const TdtmImpressoraIBM& dm) {
    return {&dm.cdsPorta,           &dm.cdsMovFecha,        &dm.cdsSangria,         &dm.cdsOperadorSup,
            &dm.cdsMovTot,          &dm.cdsParcProdutos,    &dm.cdsProdVend,        &dm.cdsTipoReceImp,
            &dm.cdsTipoReceAux,     &dm.cdsTipoReceIBM,     &dm.cdsReducaoZImp,     &dm.cdsRedzAux01,
            &dm.cdsFormPgtoRedZImp, &dm.cdsFormRedzAux01,   &dm.cdsImpostoRedZImp,  &dm.cdsImpostoRedzAux01,
            &dm.cdsTotNFiscRedZImp, &dm.cdsTotNFisAux01};
}

// A host table of products with one amount, as a report copies it in.
void CopyAmountInto(TClientDataSet& target, double amount) {
    TClientDataSet host;
    host.AddFieldDef("VRPARCELA", FieldType::Float);
    host.CreateDataSet();
    host.Append();
    host.FieldByName("VRPARCELA").SetAsFloat(amount);
    host.Post();
    target.CopyFrom(host);
}

// Puts the module's settings back however the test ends.
struct RestoreModuleSettings {
    ~RestoreModuleSettings() { dru_set_format_settings(nullptr); }
};

TEST(DataModuleSettings, EveryTableIsBoundToTheSlotsSettingsAndClock) {
    FormatSettings fs;
    VirtualClock clock(EncodeDate(2150, 1, 1));
    DataModuleSlot slot(fs, clock);
    TdtmImpressoraIBM& dm = slot.get();
    for (const TClientDataSet* ds : AllTables(dm)) EXPECT_EQ(&ds->GetFormatSettings(), &fs);

    // The slot's clock places a two-digit year: "80" is 2180 in 2150.
    dm.cdsRedzAux01.Append();
    dm.cdsRedzAux01.FieldByName("DTREDUCAOZ").SetAsString("05-03-80");
    EXPECT_DOUBLE_EQ(dm.cdsRedzAux01.FieldByName("DTREDUCAOZ").AsDateTime(), EncodeDate(2180, 3, 5));
}

TEST(DataModuleSettings, HostSettingsReachTheModulesTablesMadeBeforeThem) {
    RestoreModuleSettings restore;
    TdtmImpressoraIBM& dm = ModuleState::get().data_module().get();  // made first
    CopyAmountInto(dm.cdsParcProdutos, 1.5);
    TField& amount = dm.cdsParcProdutos.FieldByName("VRPARCELA");

    DruFormatSettings comma{',', '.', '-', ':', "dd-MM-yyyy", "h:mm:ss", "$", 2, 9};
    dru_set_format_settings(&comma);
    EXPECT_EQ(amount.AsString(), "1,5");

    DruFormatSettings dot{'.', ',', '/', ':', "MM/dd/yyyy", "hh:nn:ss", "$", 0, 1};
    dru_set_format_settings(&dot);
    EXPECT_EQ(amount.AsString(), "1.5");
    dm.cdsParcProdutos.Edit();
    amount.SetAsString("2.25");
    dm.cdsParcProdutos.Post();
    EXPECT_DOUBLE_EQ(amount.AsFloat(), 2.25);

    dru_set_format_settings(&comma);
    EXPECT_EQ(amount.AsString(), "2,25");
    dm.cdsParcProdutos.Close();
}

}  // namespace
}  // namespace dru
