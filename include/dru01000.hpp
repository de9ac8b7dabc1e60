// dru01000.hpp - C++ interface of libdru01000.so: the operations of the
// module's programming interface that have no plain-name C export. A C++ host
// linked against the library calls them here, in namespace dru01000; they run
// on the module's own services (serial ports, clock, debug log in the host
// folder, regional settings and message handler set through dru01000.h).
//
// Like the C entry points, these functions never throw: a platform error
// (the debug log cannot be written, a value that does not convert) ends the
// call with its initial result and dru_last_error() says what went wrong.
//
// Port handles. A port left open by Comand_Porta (boFechaPort false) is held
// by the module under a 32-bit handle number, so a host can hand it to
// AnalisaErro the way the module does itself. A held port stays open, and
// nobody else can open it, until ClosePort releases it. Handle 0 means no port.
#ifndef DRU01000_HPP
#define DRU01000_HPP

#include <cstdint>
#include <string>

#include "dru01000.h"

// The C++ interface is exported by the shared library on POSIX. A DLL exports
// the C interface alone: C++ names and types differ between Windows
// compilers, so a Windows host reaches the printer through dru01000.h.
#if defined(_WIN32)
#define DRU_CXX_API
#else
#define DRU_CXX_API DRU_API
#endif

namespace dru01000 {

using PortHandle = std::uint32_t;
inline constexpr PortHandle kNoPort = 0;

// One exchange with the printer: open the port, write the frame `Buffer`
// (UTF-8 text, the frame bytes as U+0087 ... U+0088), wait when boTime, read
// and check the reply when boRetorno, close when boFechaPort. Returns the
// reply text (empty when nothing was read). With boFechaPort false and
// `hPort` given, the open port is held and its handle written to *hPort
// (kNoPort when the port did not open or too many ports are held); with
// boFechaPort false and no `hPort` the port is closed anyway, since nobody
// could release it.
DRU_CXX_API std::string DRU_CALL Comand_Porta(const std::string& Buffer, bool boFechaPort, bool boRetorno, bool boTime,
                                              const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                                              PortHandle* hPort = nullptr);

// Analyses the printer's error reply `Codigo` on the held port `hPort`
// (kNoPort: none): logs it, tells the operator where needed and sends the
// recovery commands. The handle afterwards holds whatever port the analysis
// left open (possibly none); release it with ClosePort. False for an unknown
// handle.
DRU_CXX_API bool DRU_CALL AnalisaErro(const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                                      const std::string& Codigo, PortHandle hPort);

// Closes a held port and forgets its handle; false for an unknown handle.
DRU_CXX_API bool DRU_CALL ClosePort(PortHandle hPort);

// ---- The fiscal receipt -------------------------------------------------------
// Called after the receipt was opened (commands 000 and 12 through
// Comand_Porta). Each opens the port itself, writes its frames with the
// printer's pauses, and closes it. Tables are the host's handles; the
// receipt's cursors are left at the end of each table.

// One item frame (command 13) per row of `cdsVendas`, from the first to the
// end; returns the sum of the item totals (0 when the port does not open).
// A quantity, price or item total that does not fit its fixed field refuses
// the whole call (0, dru_last_error names the row and the field, nothing sent).
// `doTotal` is not used.
DRU_CXX_API double DRU_CALL Venda_Item(const std::string& stCdPortaImpFis, DruDataSet* cdsVendas, double doTotal,
                                       const std::string& idtipoimpfis);

// One payment frame (command 26) per row of `cdsMovi`, then the end of the
// payments (27). True, also when the port does not open; false only on a
// refused call (an amount that does not fit ten digits, a missing field).
// `doTxServ` is not used.
DRU_CXX_API bool DRU_CALL Pagamento(const std::string& stCdPortaImpFis, DruDataSet* cdsMovi, double doTxServ);

// The closing comment block: consumer and balance lines, operator, password,
// observation lines, vendor line (the message "Korvane"). The three balance
// tables may be NULL: no credit-balance table, no family balance line; the
// family rule ("1") needs the other two when there are credit rows.
// `Loja`, `doAcrescimo` and `doDesconto` are not used.
DRU_CXX_API bool DRU_CALL Final_Cupom(const std::string& stEsquemaCor, const std::string& stCdPortaImpFis,
                                      const std::string& Operador, const std::string& Loja, const std::string& stSenhaCupom,
                                      const std::string& stDsObsCupFis, double doAcrescimo, double doDesconto,
                                      const std::string& stTipoVenda, const std::string& stNmCons, DruDataSet* cdsSaldCred,
                                      DruDataSet* cdsFamiliaSaldo, DruDataSet* cdsEmprestimo, double doSaldoDebito,
                                      double doPrecoSubsidio, double doValorVenda, double doValorCons,
                                      const std::string& IdTipoImpFis, const std::string& IdImpSaldoCup);

// The exempt-items breakdown and the receipt footer; composite after a fiscal
// receipt, simple on its own. `doAcrescimo` and `doDesconto` are not used.
DRU_CXX_API bool DRU_CALL Isento_Composto(const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                                          const std::string& stTotIsento, const std::string& stoperador,
                                          const std::string& stSenhaCupom, const std::string& stDsObsCupFis,
                                          double doTotalTributado, double doTotalCompra, double doTotalTroco,
                                          double doAcrescimo, double doDesconto, bool boCupomComposto,
                                          const std::string& idtipoimpfis);

// The credit note: a boleta for the part of a voucher sale paid otherwise
// (`stMontoDin`, decimal text): the difference item, its total, one payment
// per row of `cdsMovi` that is neither change ("S") nor a voucher (classes
// "5", "7"), the end of payments and the closing, tried at most three times.
// `cdsMovi`'s filter is left switched off. An amount that does not fit its
// field refuses the call (dru_last_error names the row and the field,
// nothing sent).
DRU_CXX_API void DRU_CALL Nota_Credito(const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                                       const std::string& stMontoDin, DruDataSet* cdsMovi, DruDataSet* cdsVendas,
                                       const std::string& stSenhaCupom, const std::string& stDsObsCupFis, double doAcrescimo,
                                       double doDesconto, double doVrCons, const std::string& idTipoImpFis,
                                       const std::string& stIdImpSaldoCupom);

// ---- Non-fiscal documents of a sale -------------------------------------------
// Each opens the port itself, writes one comment block with the printer's
// pauses, and closes it. Tables are the host's handles. A figure that does
// not fit its printed columns, or an amount that is not a finite number,
// refuses the whole call before anything is sent (false, dru_last_error
// names the row and the field); so does a missing field.

// A sale charged to the consumer's account: the items of `cdsVendas` (every
// row from the first; the cursor is left at the end), their total, date and
// time, the consumer `stNmCons`, the final balance doSaldoDebito - total +
// doPrecoSubsidio (not printed when `IdImpSaldoCup` is "2"), the operator,
// the password (none when empty), the footer text `stDsObsCupFis` and the
// vendor line (the message "Korvane"). False when the port does not open; on
// printer type "16" the outcome of the printer's one reply; otherwise true.
DRU_CXX_API bool DRU_CALL ImpDebito_Consumidor_IBM(const std::string& stEsquemaCor, const std::string& stCdPortaImpFis,
                                                   const std::string& stSenhaCupom, const std::string& stNmCons,
                                                   const std::string& operador, const std::string& stDsObsCupFis,
                                                   double doSaldoDebito, double doPrecoSubsidio, DruDataSet* cdsVendas,
                                                   const std::string& idtipoimpfis, const std::string& IdImpSaldoCup);

// The ticket of the part of a sale paid with vouchers: the sale and cash-desk
// line (`stNrCupomFis`, the fiscal receipt's number, may be empty), the total
// `doMontoTic`, one line per voucher payment of `cdsMovi` (classes "5" and
// "7"; its filter is changed and left switched off), date and time, the
// operator, the password (also when empty), the footer text and the vendor
// line. Never reads a reply: true once written, false when the port does not
// open.
DRU_CXX_API bool DRU_CALL ImprimeNaoFiscal(double doMontoTic, const std::string& stCdPortaImpFis, const std::string& stSenhaCupom,
                                           const std::string& stNrCupomFis, const std::string& stNomeOperador,
                                           const std::string& stDsObsCupFisIbm, DruDataSet* cdsMovi);

// ---- Withdrawal receipt of a cash closing -------------------------------------

// Prints the withdrawal receipt from the data module's closing tables, which
// the cash closing loads: the title, one line per row of cdsMovFecha from its
// current one to the end (payment type and closing amount; the cursor is left
// at the end), the operator of cdsOperadorSup, a hyphen line and the vendor
// line (the message "Korvane"). Note the colour scheme comes first. False when
// the port does not open or the printer gave no reply. Called before the
// closing tables were loaded (cdsOperadorSup holds no operator) it prints
// nothing and returns false, dru_last_error() saying so (DRU_ERR_TABLE).
DRU_CXX_API bool DRU_CALL ImpReciboSangria_IBM(const std::string& stEsquemaCor, const std::string& stCdPortaImpFis);

// ---- Managerial product report --------------------------------------------------

// Prints the managerial product report from the products Relatorio_Produto
// copied into the module: one line per product in ascending code (code,
// name, quantity and total), at most 27 to a comment block, and the grand
// total. Note the colour scheme comes first. False when the port does not
// open or the printer gave no reply. With no copy in the module (none made
// yet, or Relatorio_Produto already dropped it) it prints nothing and returns
// false, dru_last_error() saying so (DRU_ERR_TABLE).
DRU_CXX_API bool DRU_CALL ImpRelGerencial_IBM(const std::string& stEsquemaCor, const std::string& stCdPortaImpFis);

}  // namespace dru01000

#endif  // DRU01000_HPP
