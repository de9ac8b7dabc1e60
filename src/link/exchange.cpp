#include "link/exchange.h"

#include <vector>

#include "host/text.h"
#include "link/commands.h"
#include "link/error_analysis.h"

namespace dru {

namespace {

constexpr std::string_view kSentLabel = "Comando Enviado Generico";
constexpr std::string_view kReplyLabel = "Retorno : ";

// The settings after the line state was read, in the printer port's order;
// each step runs only when the one before succeeded.
bool configure(SerialPort& port) {
    return port.setup_queues(kRxQueueBytes, kTxQueueBytes) && port.set_state() &&
           port.set_timeouts(kReadTotalTimeoutMs, kWriteTotalTimeoutMs);
}

// Every reply to 481 the link reads: the printer's counter, kept per port.
void RememberCounter(LinkContext& ctx, const std::string& port, std::string_view command,
                     const std::string& reply) {
    if (!ctx.counters || !command.starts_with(cmd::kReadCounters)) return;
    if (const std::optional<PrinterCounter> counter = CounterOf(reply)) ctx.counters->remember(port, *counter);
}

}  // namespace

std::string_view CommandText(std::string_view frame) {
    if (frame.starts_with(text::kFrameStart)) frame.remove_prefix(text::kFrameStart.size());
    return frame;
}

namespace {
// Names the port and, from the port's side, its device and the system's reason.
std::string PortFailure(const std::string& stCdPortaImpFis, const std::string& why) {
    std::string s = "the port " + stCdPortaImpFis + " did not open";
    return why.empty() ? s : s + ": " + why;
}
}  // namespace

PortHandle OpenPrinterPort(LinkContext& ctx, const std::string& stCdPortaImpFis) {
    if (LineFailed(ctx)) return nullptr;  // the call prints nothing more
    PortHandle port = ctx.ports.open(stCdPortaImpFis);
    if (!port) {
        NotePortFailure(ctx, PortFailure(stCdPortaImpFis, ctx.ports.why_not_opened()));
        return nullptr;
    }
    if (!port->get_state() || !configure(*port)) {
        NotePortFailure(ctx, PortFailure(stCdPortaImpFis, port->failure()));
        return nullptr;
    }
    port->discard_input();  // a late reply to an earlier command is no answer to ours
    return port;
}

std::string ReplyText(const char* bytes, long count) {
    if (bytes == nullptr || count <= 0) return {};
    std::string_view raw(bytes, static_cast<std::size_t>(count));
    if (const auto zero = raw.find('\0'); zero != std::string_view::npos) raw = raw.substr(0, zero);
    if (!raw.empty()) raw.remove_suffix(1);  // the printer's closing byte
    return text::from_latin1(raw);
}

bool IsErrorReply(const std::string& reply, std::string_view command, bool exempt_zero_colon) {
    if (reply.empty() || reply[0] != '0') return false;
    if (exempt_zero_colon && reply.starts_with("0:")) return false;
    // The printer's error reply is the error number and the failed command's
    // code, with no ":". The counters of 481 are ":"-separated fields whose
    // first one (the last Z number) may well start with "0": a data reply.
    if (command.starts_with(cmd::kReadCounters) && reply.find(':') != std::string::npos)
        return false;
    // The payment-forms list of 432 is lines of text; its first line may begin
    // with "0" (a date, a count), an error reply is never more than one line.
    if (command.starts_with(cmd::kPaymentForms) && reply.find_first_of("\r\n") != std::string::npos)
        return false;
    return true;
}

std::string Comand_Porta(LinkContext& ctx, const std::string& Buffer, ExchangeOptions options,
                         const std::string& stCdPortaImpFis, const std::string& stEsquemaCor,
                         PortHandle* keep_open) {
    std::string RetornoIBM;
    if (LineFailed(ctx)) return RetornoIBM;  // the call prints nothing more
    // The handle closes the port on every way out, exceptions included.
    PortHandle port = ctx.ports.open(stCdPortaImpFis);
    if (!port || !port->get_state()) {
        RecordPortFailed(ctx);
        NotePortFailure(ctx, PortFailure(stCdPortaImpFis, port ? port->failure() : ctx.ports.why_not_opened()));
        return RetornoIBM;
    }

    bool line_took_it = true;
    if (!configure(*port)) {
        RecordPortFailed(ctx);
        NotePortFailure(ctx, PortFailure(stCdPortaImpFis, port->failure()));
    } else {
        port->discard_input();  // a late reply to an earlier command is no answer to this one
        const std::string bytes = text::to_latin1(Buffer);
        const long written = port->write(bytes);
        RecordWrite(ctx, written);
        line_took_it = NoteWrite(ctx, written, bytes.size());
        if (options.wait && line_took_it) ctx.clock.sleep_ms(kSlowReplyPauseMs);
        ctx.log.ImpFisDebug(std::string(kSentLabel) + Buffer);
    }

    if (options.read && line_took_it) {
        std::vector<char> buffer(kReplyBufferBytes);
        const long count = port->read(buffer.data(), buffer.size());
        RecordRead(ctx, buffer.data(), count);  // before the analysis, whose exchanges come later
        if (count < 0) NoteReadFailed(ctx);
        if (count > 0) {
            RetornoIBM = ReplyText(buffer.data(), count);
            ctx.log.ImpFisDebug(std::string(kReplyLabel) + RetornoIBM);
            const std::string_view command = CommandText(Buffer);
            // The analysis may close `port` and leave a recovery port in it.
            if (IsErrorReply(RetornoIBM, command, true)) {
                AnalisaErro(ctx, stCdPortaImpFis, stEsquemaCor, RetornoIBM, port);
            } else {
                NoteAccepted(ctx);
                RememberCounter(ctx, stCdPortaImpFis, command, RetornoIBM);
            }
        }
    }

    if (!options.close && keep_open != nullptr) *keep_open = std::move(port);
    return RetornoIBM;
}

}  // namespace dru
