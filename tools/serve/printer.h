// The one printer the service drives: the target dru would choose for the
// same options (a serial port, the simulator on a pseudo-terminal, or the
// simulator on the virtual clock), kept for the service's life, and the
// host folder its calls run in. Only the queue's worker (and the start-up,
// before it) runs calls; what the status shows is read under a lock.
#pragma once
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "json_input.h"
#include "operations.h"
#include "target.h"

namespace dru::serve {

struct Counter {
    std::optional<long long> receipt;  // the last receipt counted; nullopt: none known
    std::string serial;
};

// A receipt counter as the driver hands a receipt number to the host ("0000001002").
std::string ReceiptNumberText(long long counter);

class Printer {
  public:
    // `options.host_folder` must be set. Raises UsageError for a bad port and
    // std::runtime_error when the simulator cannot start.
    explicit Printer(const cli::GlobalOptions& options);
    Printer(const Printer&) = delete;
    Printer& operator=(const Printer&) = delete;

    // Runs one call through the C interface, as dru does.
    cli::Report run(const cli::PreparedCall& call);
    // The counter the driver last read from this printer (CONTADOR_CUPOM.txt).
    Counter counter() const;
    // {"port", "device", "type", "simulator", "preview", "last_receipt_number"}.
    cli::Json status() const;
    // The simulator's roll as of the last call's end; nullopt for a real printer.
    std::optional<std::string> paper() const;
    const std::string& host_folder() const { return options_.host_folder; }

  private:
    cli::GlobalOptions options_;
    std::unique_ptr<cli::Target> target_;
    bool simulator_ = false;
    mutable std::mutex mutex_;  // guards what follows
    std::optional<std::string> paper_;
};

}  // namespace dru::serve
