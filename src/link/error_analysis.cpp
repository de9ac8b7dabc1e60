#include "link/error_analysis.h"

#include "host/errors.h"
#include "host/format.h"
#include "host/text.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "link/frames.h"

namespace dru {

namespace {

constexpr std::string_view kErrorHeader = "*********Aconteceu um Erro******** Erro ";
constexpr std::string_view kCommandTail = " Comando ";
// Logged instead of acting when an error reply comes deeper than the bound.
constexpr std::string_view kTooDeep = "Erro em comando de recuperacao: analise nao repetida";

// Counts the analyses in progress while a branch sends its recovery commands.
class DepthGuard {
public:
    explicit DepthGuard(int& depth) : depth_(depth) { ++depth_; }
    ~DepthGuard() { --depth_; }
    DepthGuard(const DepthGuard&) = delete;
    DepthGuard& operator=(const DepthGuard&) = delete;

private:
    int& depth_;
};

// One analysis: the derived values and the actions the rows are made of.
class Analysis {
public:
    Analysis(LinkContext& ctx, const std::string& port_name, const std::string& scheme, long long erro,
             std::string comando, PortHandle& hPort)
        : ctx_(ctx), port_name_(port_name), scheme_(scheme), erro_(erro), comando_(std::move(comando)),
          hPort_(hPort) {}

    const std::string& comando() const { return comando_; }

    // "log T": the text, the error number and the failed command.
    void log_error(std::string_view label) {
        ctx_.log.ImpFisDebug(std::string(label) + std::to_string(erro_) + std::string(kCommandTail) + comando_);
    }
    void log_line(std::string_view line) { ctx_.log.ImpFisDebug(line); }

    void message(std::string_view key, bool question = false) {
        ctx_.dialog.Mensagem(ctx_.messages.msgPadrao2().Msg(key), "", "N", question ? "S" : "N",
                             TTipoMsg::Tipo3, "", scheme_, 0, nullptr);
    }

    // The port is not shared: the recovery exchange can open it only once the
    // caller's handle is closed.
    void close() { hPort_.reset(); }

    // A recovery exchange; one that does not close leaves its port open in
    // the caller's place.
    void send(const std::string& frame, ExchangeOptions options) {
        std::string reply;
        if (options.close) {
            reply = Comand_Porta(ctx_, frame, options, port_name_, scheme_);
        } else {
            PortHandle kept;
            reply = Comand_Porta(ctx_, frame, options, port_name_, scheme_, &kept);
            hPort_ = std::move(kept);
        }
        // The refused command itself, sent again and taken: the refusal was
        // recovered from, and the document went on.
        const std::string_view command = CommandText(frame);
        if (!reply.empty() && ReportedCode(command) == comando_ && !IsErrorReply(reply, command, true))
            NoteRecovered(ctx_);
    }

private:
    LinkContext& ctx_;
    const std::string& port_name_;
    const std::string& scheme_;
    long long erro_;
    std::string comando_;
    PortHandle& hPort_;
};

bool SequenceError(Analysis& a) {  // 19
    a.log_error("Sequencia de comando invalida Erro ");
    const std::string& c = a.comando();
    if (c == reported::kCutPaper) {
        a.close();
        a.send(Frame(cmd::kEndPayments, cmd::kEndPaymentsOperand), kCommandExchange);
        a.log_line("Tentativa Finalizar o forma de Pagamento");
        a.send(Frame(cmd::kCutPaper), kKeepOpenExchange);
        a.log_line("Tentativa de Cortar o Papel novamente");
        return true;
    }
    if (c == reported::kEndPayments) {
        a.close();
        a.send(Frame(cmd::kCutPaper), kKeepOpenExchange);
        return true;
    }
    if (c == reported::kBeginComment) {
        a.close();
        a.send(Frame(cmd::kOpenSalesPeriod), kKeepOpenExchange);
        return false;
    }
    if (c == reported::kRegisterItem || c == reported::kOpenFiscalReceipt) return false;
    a.close();
    a.send(Frame(cmd::kOpenSalesPeriod), kCommandExchange);
    return false;
}

bool PeriodClosed(Analysis& a) {  // 60
    a.log_error("Abertura de Periodo de Venda Fechado Erro ");
    const std::string& c = a.comando();
    if (c != reported::kReadingX && c != reported::kReductionZ && c != reported::kOpenFiscalReceipt &&
        c != reported::kBeginComment) return false;
    a.close();
    a.send(Frame(cmd::kOpenSalesPeriod), kCommandExchange);
    if (c == reported::kReadingX) {
        a.log_line("Abertura de Periodo");
        a.send(Frame(cmd::kReadingX), kKeepOpenExchange);
        a.log_line("Impressao da leitura X");
        return true;
    }
    if (c == reported::kReductionZ) {
        a.log_line("Abertura Periodo e Retornou False na Funcao");
        a.send(Frame(cmd::kReductionZ), kKeepOpenExchange);
        return true;
    }
    if (c == reported::kOpenFiscalReceipt) {
        a.log_line("Abertura Periodo e Retornou False na Funcao");
        return false;
    }
    a.log_line("Abertura Periodo");  // "60"
    a.send(Frame(cmd::kBeginComment), kKeepOpenExchange);
    a.log_line("Enviou o Comando 60");
    return true;
}

bool ReductionDue(Analysis& a) {  // 67
    a.log_error("Emitindo Reducao Z Erro ");
    a.message("Erro067");
    a.close();
    a.send(Frame(cmd::kReductionZ), kCommandExchange);
    a.send(Frame(cmd::kOpenSalesPeriod), kCommandExchange);
    a.send(Frame(a.comando()), kKeepOpenExchange);  // the command that was refused, again
    return true;
}

bool PrintingError(Analysis& a, std::string_view key) {  // 80, 82
    a.log_error("Erro de impressao espera o Comando Repetir Erro ");
    a.message(key);
    a.close();
    a.send(Frame(cmd::kRepeat), kKeepOpenExchange);
    return true;
}

bool Act(Analysis& a, long long erro) {
    switch (erro) {
        case printer_error::kNotResponding:
            a.message("Erro013");
            a.log_error("Impressora nao Responde Erro ");
            return false;
        case printer_error::kError18:
            a.message("Erro018");
            return false;
        case printer_error::kBadSequence:
            return SequenceError(a);
        case printer_error::kPaperOrCover:
            a.log_error("Fim de Papel o Tampa aberta Erro ");
            a.message("Erro043");
            return false;
        case printer_error::kInSalesPeriod:
            a.log_error("Comando nao pode ser executado em periodo de venda Erro ");
            return true;
        case printer_error::kPeriodClosed:
            return PeriodClosed(a);
        case printer_error::kTrainingMode:
            a.log_error("Comando no permitido en  Modo Entrenamiento Erro ");
            if (a.comando() == reported::kTrainingQuestion) a.message("Erro064", /*question=*/true);
            return false;
        case printer_error::kReductionDue:
            return ReductionDue(a);
        case printer_error::kReductionWarning:
            a.log_error("Aviso para Emitir a Red Z Erro ");
            a.message("Erro068");
            return true;
        case printer_error::kPrinting80:
            return PrintingError(a, "Erro080");
        case printer_error::kPrinting82:
            return PrintingError(a, "Erro082");
        default:
            return false;
    }
}

}  // namespace

bool AnalisaErro(LinkContext& ctx, const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                 const std::string& Codigo, PortHandle& hPort) {
    ctx.messages.msgPadrao2();  // the data module exists from here on
    // Not a number: the platform's conversion error ends the operation.
    const long long Erro = StrToInt(text::substr(Codigo, 0, 3));
    std::string stComando = text::substr(Codigo, 3, 2);
    ctx.log.ImpFisDebug(std::string(kErrorHeader) + std::to_string(Erro) + std::string(kCommandTail) + stComando);
    // 59 to "open the sales period" says it is open already: what was asked.
    // "00" is no error (the state after start-up), and 59 to "open the sales
    // period" says it is open already: what was asked.
    if (Erro == 0 || (Erro == printer_error::kInSalesPeriod && stComando == ReportedCode(cmd::kOpenSalesPeriod)))
        NoteAccepted(ctx);
    else
        NoteRefusal(ctx, Erro, stComando);

    if (ctx.analysis_depth > kMaxNestedAnalysis) {
        ctx.log.ImpFisDebug(kTooDeep);
        return false;
    }
    DepthGuard depth(ctx.analysis_depth);
    Analysis analysis(ctx, stCdPortaImpFis, stEsquemaCor, Erro, std::move(stComando), hPort);
    return Act(analysis, Erro);
}

}  // namespace dru
