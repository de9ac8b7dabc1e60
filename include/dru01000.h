/*
 * dru01000.h - C interface of the fiscal-printer driver (libdru01000.so,
 * dru01000.dll).
 *
 * Guide
 * -----
 * - Text is UTF-8 in both directions. A NULL `const char*` argument means the
 *   empty text. Host text that is not valid UTF-8 is read byte by byte as
 *   Latin-1. Bytes reach the printer and the debug log as Latin-1.
 * - Outputs travel in handles the host owns: DruText (a string), DruParams
 *   (a named-parameter array), DruDataSet (an in-memory table). An operation
 *   that "replaces" a table or an array replaces its contents in place.
 * - Paths (dru_set_host_folder, dru_set_port_device's device, every
 *   stCdPortaImpFis that names a device, dru_dataset_load_from_file and
 *   dru_dataset_save_to_file) are not text: on POSIX they reach the system
 *   as the bytes the host gave, whatever their encoding; on Windows they are
 *   read as text (UTF-8, else Latin-1) and opened as UTF-16. A port named
 *   inside a parameter array or a table is text, and opens as its UTF-8.
 * - Strings returned as `const char*` belong to the module and are copies
 *   kept for the calling thread: a pointer from dru_text_get(),
 *   dru_params_name(), dru_params_text(), dru_dataset_get_text() or
 *   dru_last_error() stays valid, whatever other threads do, until the same
 *   thread reads the same thing again (the same handle, and for the
 *   parameter readers the same index) or frees the handle.
 * - The debug log is written only into a regular file ANALISA_ERRO.txt of
 *   the host folder, never through a symbolic link; anything else under that
 *   name is the input/output error naming the file. No call raises SIGPIPE.
 * - A port must be a terminal line (a serial port, or a pseudo-terminal)
 *   that is not the process's controlling terminal; anything else does not
 *   open, and nothing is written to it. The line's settings are put back as
 *   they were found when the module closes it.
 * - No C++ exception ever crosses this interface. When an entry point fails
 *   on a platform error (the debug log cannot be written, a value that does
 *   not convert, a table error) it leaves its outputs as they were, returns
 *   its initial result (false, or nothing written), dru_last_error() says
 *   what went wrong and dru_last_error_code() which kind of error it was
 *   (DRU_ERR_*, below). Printer errors are not platform errors: they are
 *   logged, shown through the message handler and reflected in the result.
 * - NULL for a handle or an output the call needs is the bad-argument error
 *   (DRU_ERR_BAD_ARGUMENT, the call and the argument named), and nothing is
 *   sent to the printer. A `const char*` NULL is the empty text, never an
 *   error. The optional handles are documented where they are declared.
 * - Every call that can fail clears the last error when it starts; the
 *   readers that cannot (dru_text_get, dru_params_count, dru_dataset_eof,
 *   dru_dataset_record_count, dru_last_error, dru_last_error_code,
 *   dru_last_exchange) and the allocators dru_text_new and dru_params_new
 *   leave it as it was, unless handed NULL (or out of memory).
 * - One host thread at a time. A call made while another thread's call runs
 *   waits until that one has returned (the module serialises its entry
 *   points); a call from inside the message handler, on the thread that is
 *   in the module, goes straight in. dru_last_error, dru_last_error_code and
 *   dru_last_exchange never wait for another thread's call: they answer
 *   with what it has recorded so far.
 */
#ifndef DRU01000_H
#define DRU01000_H

#include <stdbool.h>
#include <stdint.h>

/* DRU_API marks what the library exports: on Windows, dru01000.dll exports
 * it when built (DRU_BUILD_DLL) and a host needs nothing more, since it finds
 * the entry points by name. DRU_CALL is the calling convention of every entry
 * point and of DruMessageHandler: __stdcall on 32-bit Windows (the DLL's
 * names stay undecorated, "Estado_Imp"), the platform's own everywhere else. */
#if defined(_WIN32)
#if defined(DRU_BUILD_DLL)
#define DRU_API __declspec(dllexport)
#else
#define DRU_API
#endif
#if defined(_M_IX86) || defined(__i386__)
#define DRU_CALL __stdcall
#else
#define DRU_CALL
#endif
#else
#if defined(__GNUC__)
#define DRU_API __attribute__((visibility("default")))
#else
#define DRU_API
#endif
#define DRU_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

typedef struct DruText DruText;
typedef struct DruParams DruParams;
typedef struct DruDataSet DruDataSet;

/* ---- Texts ---------------------------------------------------------------- */
DRU_API DruText* DRU_CALL dru_text_new(const char* value);
DRU_API const char* DRU_CALL dru_text_get(const DruText* text);
DRU_API void DRU_CALL dru_text_set(DruText* text, const char* value);
DRU_API void DRU_CALL dru_text_free(DruText* text);

/* ---- Named-parameter arrays ------------------------------------------------ */
DRU_API DruParams* DRU_CALL dru_params_new(void);
DRU_API void DRU_CALL dru_params_free(DruParams* params);
DRU_API void DRU_CALL dru_params_add_text(DruParams* params, const char* name, const char* value);
DRU_API void DRU_CALL dru_params_add_number(DruParams* params, const char* name, double value);
DRU_API int32_t DRU_CALL dru_params_count(const DruParams* params);
DRU_API const char* DRU_CALL dru_params_name(const DruParams* params, int32_t i);
DRU_API const char* DRU_CALL dru_params_text(const DruParams* params, int32_t i);

/* ---- Tables ---------------------------------------------------------------- */
#define DRU_FT_STRING 1
#define DRU_FT_INTEGER 2
#define DRU_FT_FLOAT 3
#define DRU_FT_DATETIME 4
#define DRU_FT_BOOLEAN 5

DRU_API DruDataSet* DRU_CALL dru_dataset_new(void);
DRU_API void DRU_CALL dru_dataset_free(DruDataSet* ds);
DRU_API bool DRU_CALL dru_dataset_add_field(DruDataSet* ds, const char* name, int32_t type, int32_t size);
DRU_API bool DRU_CALL dru_dataset_create(DruDataSet* ds);
DRU_API bool DRU_CALL dru_dataset_append(DruDataSet* ds);
DRU_API bool DRU_CALL dru_dataset_edit(DruDataSet* ds);
DRU_API bool DRU_CALL dru_dataset_post(DruDataSet* ds);
DRU_API bool DRU_CALL dru_dataset_set_text(DruDataSet* ds, const char* field, const char* value);
DRU_API bool DRU_CALL dru_dataset_set_number(DruDataSet* ds, const char* field, double value);
DRU_API bool DRU_CALL dru_dataset_set_null(DruDataSet* ds, const char* field);
DRU_API bool DRU_CALL dru_dataset_first(DruDataSet* ds);
DRU_API bool DRU_CALL dru_dataset_next(DruDataSet* ds);
DRU_API bool DRU_CALL dru_dataset_eof(const DruDataSet* ds);
DRU_API int32_t DRU_CALL dru_dataset_record_count(const DruDataSet* ds);
DRU_API const char* DRU_CALL dru_dataset_get_text(DruDataSet* ds, const char* field);
DRU_API double DRU_CALL dru_dataset_get_number(DruDataSet* ds, const char* field);
DRU_API bool DRU_CALL dru_dataset_is_null(DruDataSet* ds, const char* field);
DRU_API bool DRU_CALL dru_dataset_set_filter(DruDataSet* ds, const char* expression, bool filtered);
DRU_API bool DRU_CALL dru_dataset_set_data(DruDataSet* ds, const char* packet);
DRU_API bool DRU_CALL dru_dataset_get_data(DruDataSet* ds, DruText* packet);
DRU_API bool DRU_CALL dru_dataset_load_from_file(DruDataSet* ds, const char* path);
DRU_API bool DRU_CALL dru_dataset_save_to_file(DruDataSet* ds, const char* path);

/* ---- Module settings ------------------------------------------------------- */
/* Regional settings, as the host's platform keeps them. Separators are single
 * ASCII characters; a thousand_separator of 0 means no grouping. A separator
 * or a text holding a control character (0x01-0x1F, 0x7F-0x9F: the frame
 * bytes 0x87 and 0x88 among them) is refused with DRU_ERR_BAD_ARGUMENT. The format
 * strings use the host's specifiers (d dd m mm yy yyyy h hh n nn s ss). */
typedef struct DruFormatSettings {
    char decimal_separator;
    char thousand_separator;
    char date_separator;
    char time_separator;
    const char* short_date_format;
    const char* long_time_format;
    const char* currency_string;
    int32_t currency_format;          /* 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $" */
    int32_t negative_currency_format; /* 0 .. 15, as the host's platform numbers them */
} DruFormatSettings;

DRU_API void DRU_CALL dru_set_host_folder(const char* folder);
DRU_API void DRU_CALL dru_set_port_device(const char* port, const char* device);
DRU_API void DRU_CALL dru_set_message(const char* table, const char* key, const char* text);
DRU_API void DRU_CALL dru_set_format_settings(const DruFormatSettings* settings);

/* The last error: its message ("" when the last call succeeded) and its kind.
 * The kinds are a closed set. */
#define DRU_ERR_NONE 0         /* the last call that could fail did not */
#define DRU_ERR_BAD_ARGUMENT 1 /* a NULL handle or output, a value out of range, an unknown name */
#define DRU_ERR_TABLE 2        /* a table refused: missing field, bad filter or packet, wrong state */
#define DRU_ERR_CONVERSION 3   /* a value that does not convert (number, date, a reply's error number) */
#define DRU_ERR_IO 4           /* a file (the debug log, a table file) cannot be read or written */
#define DRU_ERR_PORT 5         /* the serial port failed where the caller must be told */
#define DRU_ERR_UNSUPPORTED 6  /* understood and not supported by this module */
#define DRU_ERR_INTERNAL 7     /* a fault of the module itself (out of memory, say) */
DRU_API const char* DRU_CALL dru_last_error(void);
DRU_API int32_t DRU_CALL dru_last_error_code(void);
/* What the last exchange with the printer came to, in the last call that
 * uses the printer link (one refused before sending leaves DRU_EXCHANGE_NONE;
 * the fixed-answer operations leave the record as it was). The day
 * operations return true whatever the printer does; this tells whether it
 * answered. `reply` (may be NULL) receives the reply text when it answered,
 * "" otherwise. Leaves the last error as it was. */
#define DRU_EXCHANGE_NONE 0        /* nothing exchanged yet in the last call */
#define DRU_EXCHANGE_ANSWERED 1    /* the printer answered */
#define DRU_EXCHANGE_SILENT 2      /* the printer did not answer within the read time-out */
#define DRU_EXCHANGE_PORT_FAILED 3 /* the port could not be opened or set up */
#define DRU_EXCHANGE_NOT_READ 4    /* written; the reply of this command or document is not read */
#define DRU_EXCHANGE_LINE_FAILED 5 /* a write or a read on the open port failed */
DRU_API int32_t DRU_CALL dru_last_exchange(DruText* reply);
/* The verdict of the last call that drives the printer: what happened on
 * paper, as far as the driver can tell. Read it after the call; the calls
 * that touch no printer (the dru_ helpers, the fixed-answer operations)
 * leave it as it was. `detail` (may be NULL) receives one sentence saying
 * why: the error number, the command and what it means for a refusal; the
 * port, its device and the system's reason for a port that did not open.
 * Leaves the last error as it was.
 *   CONFIRMED    the printer accepted the document; for ImpressaoVenda, the
 *                receipt counter moved to this sale's receipt (the number
 *                returned). Only this verdict means "printed".
 *   REFUSED      the printer answered with an error.
 *   NOT_SENT     nothing reached the printer: input refused before sending,
 *                or the port did not open.
 *   UNCONFIRMED  written, with no trustworthy answer (no reply, a line that
 *                failed, a reply not read): it may have printed. Check the
 *                paper before printing it again.
 * A port that does not open also leaves DRU_ERR_PORT in dru_last_error(),
 * naming the port, its device and the reason, unless a platform error
 * ended the call. */
#define DRU_VERDICT_NONE 0        /* nothing was to be printed (the operator declined), or no call yet */
#define DRU_VERDICT_CONFIRMED 1
#define DRU_VERDICT_REFUSED 2
#define DRU_VERDICT_NOT_SENT 3
#define DRU_VERDICT_UNCONFIRMED 4
DRU_API int32_t DRU_CALL dru_last_verdict(DruText* detail);
/* The library's version ("1.0.0"); the major number is the one of its
 * SONAME (libdru01000.so.1). The text stays valid while the library is loaded. */
DRU_API const char* DRU_CALL dru_version(void);

/* Operator dialog. `question` is "S" for a yes/no question, "N" for a notice;
 * the return value is the operator's answer (true = yes). Without a handler a
 * notice is dropped and a question is answered "no". */
typedef bool (DRU_CALL* DruMessageHandler)(void* user, const char* text, const char* arg2, const char* arg3,
                                           const char* question, int32_t kind, const char* arg6,
                                           const char* scheme, int32_t arg8, const DruDataSet* table);
DRU_API void DRU_CALL dru_set_message_handler(DruMessageHandler handler, void* user);

/* ---- Day operations -------------------------------------------------------- */
DRU_API bool DRU_CALL Abre_Gaveta_Imp(const char* stCdPortaImpFis, const char* stEsquemaCor, bool boParam1);
DRU_API bool DRU_CALL Leitura_X_Imp(const char* stCdPortaImpFis, const char* stEsquemaCor, const char* arg3);
DRU_API bool DRU_CALL Reducao_Z_Imp(const char* stCdPortaImpFis, const char* stEsquemaCor, const char* arg3);
DRU_API void DRU_CALL Nr_Cupom(const char* stCdPortaImpFis, const char* stEsquemaCor, DruText* result);

/* ---- Printer start-up, printer data, fiscal date check --------------------- */
DRU_API bool DRU_CALL Carrega_Dados_Impressora(DruParams* Params);
DRU_API bool DRU_CALL StartImpFiscal(const DruParams* Params);
DRU_API bool DRU_CALL VerificaData(const char* stEsquemaCor, double* dtDate, const char* stDataAtu,
                                   const char* stData, bool boSetaData);

/* ---- Payment types and day totals ------------------------------------------ */
DRU_API void DRU_CALL CarregaRecebimento(const char* stCdPortaImpFis, const char* stEsquemaCor,
                                         int32_t idTipoImpFis, DruDataSet* cdsTipoRece1);
DRU_API bool DRU_CALL ExportRedZ(const char* stCdPortaImpFis, const char* stEsquemaCor, const char* stECF,
                                 int32_t idTipoImpFis, DruDataSet* cdsTipoRece, DruDataSet* cdsReducaoZ,
                                 DruDataSet* cdsFormPgtoZ, DruDataSet* cdsImpostoRedz,
                                 DruDataSet* cdsTotNFiscRedZ);

/* ---- Sale printing ---------------------------------------------------------- */
/* One call per finished sale: chooses and prints its document (consumer debit
 * receipt, fiscal receipt, exempt breakdown, voucher ticket after a credit
 * note or breakdown) and writes `result`: the receipt number read back (10
 * digits), "Erro" for a refused voucher sale, or "". `Params`, `cdsVendas`,
 * `cdsMovi`, `cdsRecebimento` and `result` are required; `cdsAliqImpFis` is
 * not used and the three balance tables may be NULL. A figure that does not
 * fit the printer's fixed fields refuses the sale before anything is sent
 * (DRU_ERR_BAD_ARGUMENT, the row and the field named). */
DRU_API void DRU_CALL ImpressaoVenda(const DruParams* Params, DruDataSet* cdsVendas, DruDataSet* cdsMovi,
                                     DruDataSet* cdsRecebimento, DruDataSet* cdsAliqImpFis, DruDataSet* cdsSaldCred,
                                     DruDataSet* cdsFamiliaSaldo, DruDataSet* cdsEmprestimo, const char* IdImpSaldoCup,
                                     DruText* result);

/* ---- Cash supply and cash withdrawal ---------------------------------------- */
/* Each prints one non-fiscal comment block with the amount `doValor` (whole
 * units, thousands separated) and returns the printer's verdict on it: false
 * when the port does not open (nothing printed) or the printer gave no reply.
 * An amount that is not a finite number is refused before anything is sent
 * (DRU_ERR_BAD_ARGUMENT). `boEntraCaixa` is not read; neither is
 * `cdsSangria` (any table or NULL). */
DRU_API bool DRU_CALL Suprimento(const char* stCdPortaImpFis, const char* stEsquemaCor, double doValor, bool boEntraCaixa);
DRU_API bool DRU_CALL Sangria(const char* stCdPortaImpFis, const char* stEsquemaCor, double doValor, DruDataSet* cdsSangria);

/* ---- Bill check -------------------------------------------------------------- */
/* The partial bill of a table or tab ("PARCIAL CUENTA") as a non-fiscal
 * document. `DADOS` is the product table as an XML data packet (fields
 * NMPRODUTO, QTPRODCOMVEN, VRPRECCOMVEN); it stays loaded in the module.
 * `arg3`, `stCdCaixa`, `stCupomDia` (may be NULL, never written),
 * `stTipoVenda`, `doQtPessoas` and `doAcre` are not read. An empty or NULL
 * packet (DRU_ERR_BAD_ARGUMENT), a packet that does not read or lacks a field
 * (DRU_ERR_TABLE), or an amount that would be cut by its printed column
 * (DRU_ERR_BAD_ARGUMENT, the row and the field named) refuses the bill before
 * anything is sent. True once the printer accepted the closing frame; false
 * when the port does not open or the printer never confirmed. */
DRU_API bool DRU_CALL Conferencia_Outras(const char* stCdPortaImpFis, const char* stEsquemaCor, const char* arg3,
                                         const char* stCdCaixa, DruText* stCupomDia, const char* stTipoVenda,
                                         const char* stNrComanda, const char* stMesa, const char* stNmGarcom,
                                         const char* stEmissao, const char* DADOS, double doVrDesc, double doConsMin,
                                         double doCouver, double doVrTxSer, double doQtPessoas, double doTotal,
                                         double doAcre, int32_t idtipoimpfis);

/* ---- Credit purchase voucher ------------------------------------------------ */
/* The voucher of a consumer's purchase of credit, a non-fiscal comment block
 * printed twice: the deposit number, the consumer, the family, the amount
 * bought (the sum of VRMOVIVEND over every row of `cdsMovCaixaCred`, required)
 * and the final balance (that sum plus `doSald`). The printer's reply is never
 * read: true once both copies were written, false when the port does not
 * open. Only `stCdPortaImpFis`, `cdsMovCaixaCred`, `doSald`, `stNmConsCred`,
 * `stNrDeposi` and `stNmFamilia` are read; `stCupomDia` and `stContadorGNF`
 * (may be NULL) are never written. A table that is not open or lacks
 * VRMOVIVEND (DRU_ERR_TABLE), or an amount that is not a finite number
 * (DRU_ERR_BAD_ARGUMENT, the row named), refuses the voucher before anything
 * is sent. */
DRU_API bool DRU_CALL Compr_CredPessoal(const char* stCdPortaImpFis, const char* arg2, const char* arg3,
                                        const char* stCdFilial, const char* stCdCaixa, const char* stEsquemacor,
                                        DruText* stCupomDia, DruText* stContadorGNF, DruDataSet* cdsMovCaixaCred,
                                        double doSald, const char* stNmConsCred, const char* stNrDeposi,
                                        const char* stImpComCredPe, const char* stPaisIntegra,
                                        const char* stIdTipoImpNF1, const char* stCdPortImpNF1,
                                        const char* stNrVendaNFisc, const char* stNmRazSocFili, const char* stNmCaixa,
                                        const char* stDsEndeFili, const char* stNmMunicipio, const char* stCdInscMuni,
                                        const char* stNRSERIEECF, const char* stDsObsCupFis, bool boUtilizaImpFiscal,
                                        const char* stNmFamilia, const char* stCartao);

/* ---- Managerial product report --------------------------------------------- */
/* Copies `cdsProdAux` (the products sold: CDPRODUTO, NMPRODUTO, QTPRODVEND,
 * VRTOTAL) into the module and prints the managerial product report, sorted
 * by product code, when `stEmiRelProd` is "N", or when it is "S" and the
 * operator answers yes to "ConfRelProds"; any other value prints nothing. An
 * empty table prints nothing. A report the printer does not confirm is tried
 * at most 3 times, then the operator is told ("IMP_SEM_RESPOSTA"). The copy
 * is dropped afterwards. The second to fifth arguments, `stCupomDia`,
 * `stTribRelPro` and `boCtrlCupom` are not read (NULL allowed). A NULL
 * `cdsProdAux` (DRU_ERR_BAD_ARGUMENT), a table lacking one of the fields
 * (DRU_ERR_TABLE) or a quantity or total that would be cut by its printed
 * column (DRU_ERR_BAD_ARGUMENT, the row and the field named) prints nothing. */
DRU_API void DRU_CALL Relatorio_Produto(const char* stCdPortaImpFis, const char* arg2, const char* arg3,
                                        const char* stCdFilial, const char* stCdCaixa, DruText* stCupomDia,
                                        DruDataSet* cdsProdAux, const char* stEmiRelProd, const char* stTribRelPro,
                                        const char* stIdEsquema, bool* boCtrlCupom);

/* ---- Cash closing ----------------------------------------------------------- */
/* The cash closing. Unless `boFechDiaAnterior`, copies `cdsMovFechaAux`,
 * `cdsSangriaAux`, `cdsOperSup`, `cdsMovTotAux` and `cdsTipoRece` into the
 * module (all five required and open). With `boImpRelSan` it prints the
 * withdrawal receipt, tried at most 3 times (then "IMP_SEM_RESPOSTA"). Unless
 * `boSangria` or `boFechDiaAnterior`, it asks "AbreCaixa": yes returns true;
 * no, with `boAccessImpRedz`, asks "ConfReducao", and yes runs the product
 * report (`cdsProdAux`, `stEmiRelProd` as in Relatorio_Produto) and the
 * payment totals export (as ExportRedZ), sets `*boReduziu` true and replaces
 * the contents of `cdsRedzAux`, `cdsFormRedzAux`, `cdsImpostoRedzAux` and
 * `cdsTotNFisAux` (then required) with the module's Z tables. No Z reduction
 * is performed. `*boReduziu` (required) is set false otherwise. A needed
 * table NULL (DRU_ERR_BAD_ARGUMENT) or not open (DRU_ERR_TABLE), or a receipt
 * with no operator to print - an earlier day's closing on a module never
 * loaded - (DRU_ERR_TABLE) refuses the call before anything is copied, asked
 * or sent: false, `*boReduziu` untouched. An error inside the product report
 * or the export does not stop the closing and is left in dru_last_error().
 * `stNrSerie`, `stCdFilial`, `stCdCaixa`, `stCupomDia` (may be NULL),
 * `cdsMovAbertura`, `cdsProdFechamento`, `cdsExtratoCons`, `dtAberCaixa`,
 * `boImprimeRedZ`, `Reducao`, `stTribRelPro`, `stImpLeituraX`,
 * `idImpEnvelope`, `stTipoSangria` and `stDescSangria` are not read. */
DRU_API bool DRU_CALL GeraReciboSangria(const char* stCdPortaImpFis, const char* stNrSerie, const char* stCdFilial,
                                        const char* stCdCaixa, const char* stECF, int32_t idTipoImpFis,
                                        DruText* stCupomDia, DruDataSet* cdsMovFechaAux, DruDataSet* cdsSangriaAux,
                                        DruDataSet* cdsProdAux, DruDataSet* cdsOperSup, DruDataSet* cdsMovTotAux,
                                        DruDataSet* cdsMovAbertura, DruDataSet* cdsProdFechamento,
                                        DruDataSet* cdsExtratoCons, double dtAberCaixa, bool boImpRelSan,
                                        bool boImprimeRedZ, bool Reducao, DruDataSet* cdsRedzAux,
                                        DruDataSet* cdsFormRedzAux, DruDataSet* cdsImpostoRedzAux,
                                        DruDataSet* cdsTotNFisAux, bool* boReduziu, DruDataSet* cdsTipoRece,
                                        const char* stEmiRelProd, const char* stTribRelPro, const char* stImpLeituraX,
                                        const char* idImpEnvelope, const char* stIdEsquema, bool boSangria,
                                        bool boFechDiaAnterior, bool boAccessImpRedz, const char* stTipoSangria,
                                        const char* stDescSangria);

/* ---- Fixed-answer operations (they touch neither printer nor log) ---------- */
DRU_API bool DRU_CALL VendaItem(DruParams* Params);
DRU_API bool DRU_CALL Atu_TotGeral(const DruParams* Params);
DRU_API bool DRU_CALL DataHoraGravacaoUsuarioSWBasicoMFAdicional(const char* arg1, DruText* stDataHoraUsuario,
                                                                 DruText* stDataHoraSWBasico,
                                                                 DruText* stMFAdicional);
DRU_API bool DRU_CALL Versao_Software_Basico(const char* arg1, DruText* stVersaoFirmware);
DRU_API void DRU_CALL Codigo_Nacional_ECF(int32_t IdTipoImpFis, const char* arg2, DruText* result);
DRU_API void DRU_CALL CarregaTotalizador(DruText* stTotCV, DruText* stTotCred, DruText* stTotCompCred,
                                         DruText* stTotCancCred, DruText* stTotRelatorio,
                                         const char* stEsquemaCor, int32_t idTipoImpFis,
                                         DruDataSet* cdsRecebimento);
DRU_API void DRU_CALL CarregaAliquota(const char* arg1, DruDataSet* cdsAliqImpFis_Ret);
DRU_API bool DRU_CALL Cancela_Cupom_Imp(const char* arg1, bool boParam1, bool boParam2, DruText* stNrCupom,
                                        bool boAberCupom);
DRU_API double DRU_CALL DataMoviFiscal(const char* arg1);
DRU_API bool DRU_CALL Estado_Imp(const char* arg1, bool boParam1, bool boParam2);
DRU_API bool DRU_CALL GeraCatGenerica(const char* const* values, int32_t count, DruText* stlArqsCat);
DRU_API bool DRU_CALL DadosUltimaRedZ(const char* const* values, int32_t count, DruText* oleRetorno,
                                      DruDataSet* cdsTotalizadorParciaisTributados);
DRU_API bool DRU_CALL NumeroOperacoesNaoFiscais(const char* arg1, DruText* stOperacoes);
DRU_API void DRU_CALL Estado_Gaveta_Imp(const char* arg1, DruText* result);
DRU_API bool DRU_CALL ImprimeMesasAbertas(const char* arg1, const char* arg2, const char* arg3,
                                          const char* oleMesasAbertas);
DRU_API bool DRU_CALL RegistroVenda(const char* arg1, const char* arg2, const char* arg3, DruDataSet* cdsItems,
                                    const char* stAuxMesa);
DRU_API bool DRU_CALL Estado_HorVerao(const char* arg1);
DRU_API bool DRU_CALL Muda_Horario(const char* arg1);
DRU_API bool DRU_CALL Modelo_Impressora(const char* arg1, DruText* stMarca, DruText* stModelo, DruText* stTipo);
DRU_API bool DRU_CALL BuscaTotGer(const char* arg1, DruText* stValTotGer);
DRU_API void DRU_CALL CarregaRelatorioGer(DruText* stMeiosPgto, DruText* stIdentPaf, DruText* stParamConfig,
                                          DruText* stTransMesa, DruText* stConfMesa, DruText* stMesaAber,
                                          const char* stEsquemaCor, int32_t idTipoImpFis);
DRU_API bool DRU_CALL Conferencia_Formatada(const char* arg1, const char* arg2, const char* arg3,
                                            const char* stNrSerie, const char* stIndice, DruText* stCupomDia,
                                            const char* stRelat);
DRU_API void DRU_CALL GravaDocumentosNaoFiscais(const char* arg1, const char* arg2, const char* arg3,
                                                const char* stNrvendarest, const char* stPrxDocNFiscEcf);
DRU_API bool DRU_CALL Imp_CompVenCred(const char* arg1, const char* packet2, const char* packet3, double doValor,
                                      const char* stFormPagVCons, const char* stCdConsumidor,
                                      const char* stNmConsumidor, const char* stCdClie, const char* stNmClie,
                                      const char* stSenhaCupom, double doVrSaldo, double doPrecoSubsidio,
                                      double doVrComplemento, const char* stAuxImpSaldCup);

#ifdef __cplusplus
}
#endif

#endif /* DRU01000_H */
