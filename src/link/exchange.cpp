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

}  // namespace

std::string_view CommandText(std::string_view frame) {
    if (frame.starts_with(text::kFrameStart)) frame.remove_prefix(text::kFrameStart.size());
    return frame;
}

PortHandle OpenPrinterPort(LinkContext& ctx, const std::string& stCdPortaImpFis) {
    PortHandle port = ctx.ports.open(stCdPortaImpFis);
    if (!port || !port->get_state() || !configure(*port)) return nullptr;
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
    // The handle closes the port on every way out, exceptions included.
    PortHandle port = ctx.ports.open(stCdPortaImpFis);
    if (!port || !port->get_state()) {
        RecordPortFailed(ctx);
        return RetornoIBM;
    }

    if (!configure(*port)) {
        RecordPortFailed(ctx);
    } else {
        RecordWrite(ctx, port->write(text::to_latin1(Buffer)));  // not checked: the reply tells
        if (options.wait) ctx.clock.sleep_ms(kSlowReplyPauseMs);
        ctx.log.ImpFisDebug(std::string(kSentLabel) + Buffer);
    }

    if (options.read) {
        std::vector<char> buffer(kReplyBufferBytes);
        const long count = port->read(buffer.data(), buffer.size());
        RecordRead(ctx, buffer.data(), count);  // before the analysis, whose exchanges come later
        if (count > 0) {
            RetornoIBM = ReplyText(buffer.data(), count);
            ctx.log.ImpFisDebug(std::string(kReplyLabel) + RetornoIBM);
            // The analysis may close `port` and leave a recovery port in it.
            if (IsErrorReply(RetornoIBM, CommandText(Buffer), true))
                AnalisaErro(ctx, stCdPortaImpFis, stEsquemaCor, RetornoIBM, port);
        }
    }

    if (!options.close && keep_open != nullptr) *keep_open = std::move(port);
    return RetornoIBM;
}

}  // namespace dru
