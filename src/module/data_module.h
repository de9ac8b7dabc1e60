// The data module: the module's message tables and its predefined tables.
#pragma once
#include <atomic>
#include <memory>
#include <mutex>

#include "host/clock.h"
#include "host/dataset.h"
#include "host/format.h"
#include "host/messages.h"

namespace dru {

class TdtmImpressoraIBM {
public:
    // Fills the message tables, sets up the tables' layouts and binds every
    // table to `fs` and `clock`, which the caller keeps alive as long as the
    // module (see TClientDataSet::Bind).
    TdtmImpressoraIBM(const FormatSettings& fs, const Clock& clock);

    // The stored content of the two message tables, in stored order
    // (message_texts.cpp).
    static TMessages DefaultMsgPadrao();
    static TMessages DefaultMsgPadrao2();

    TMessages msgPadrao;
    TMessages msgPadrao2;

    TClientDataSet cdsPorta;  // loaded from DedOvor.cds
    TClientDataSet cdsMovFecha;
    TClientDataSet cdsSangria;
    TClientDataSet cdsOperadorSup;
    TClientDataSet cdsMovTot;
    TClientDataSet cdsParcProdutos;
    TClientDataSet cdsProdVend;
    TClientDataSet cdsTipoReceImp;
    TClientDataSet cdsTipoReceAux;
    TClientDataSet cdsTipoReceIBM;
    TClientDataSet cdsReducaoZImp;
    TClientDataSet cdsRedzAux01;
    TClientDataSet cdsFormPgtoRedZImp;
    TClientDataSet cdsFormRedzAux01;
    TClientDataSet cdsImpostoRedZImp;
    TClientDataSet cdsImpostoRedzAux01;
    TClientDataSet cdsTotNFiscRedZImp;
    TClientDataSet cdsTotNFisAux01;
};

// Field layouts shared by several tables (payment types, Z reduction, ...).
// Each adds its field definitions to `ds` (not yet created).
void AddPaymentTypeFields(TClientDataSet& ds, int field_count = 33);
void AddReductionZFields(TClientDataSet& ds, bool with_origin);

// The slot that holds the single data module: empty until first use, then
// created once (thread-safe) and kept until the process ends. Also the link's
// source of message texts, so asking for a text creates the module.
class DataModuleSlot final : public MessageTables {
public:
    // The module's tables will be bound to `fs` and `clock` (not copied): the
    // caller keeps them alive as long as the slot.
    DataModuleSlot(const FormatSettings& fs, const Clock& clock) : format_(fs), clock_(clock) {}

    TdtmImpressoraIBM& get();
    bool exists() const;
    const TMessages& msgPadrao() override { return get().msgPadrao; }
    const TMessages& msgPadrao2() override { return get().msgPadrao2; }

private:
    const FormatSettings& format_;
    const Clock& clock_;
    std::once_flag once_;
    std::unique_ptr<TdtmImpressoraIBM> module_;
    std::atomic<bool> created_{false};  // exists() may be asked from any thread
};

}  // namespace dru
