// The real serial code (the system's serial backend, real clock) against the printer
// simulator on a pseudo-terminal, with the log, dialog and messages of a
// FakeLink. Fixtures derive from it; it skips where no pseudo-terminal can be had.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <system_error>

#include "host/clock.h"
#include "link/context.h"
#include "link/link_services.h"
#include "link/port_names.h"
#include "link/serial_backend.h"
#include "printer_model.h"
#include "pty_server.h"
#include "support/fake_link.h"
#include "support/temp_folder.h"

namespace dru::test {

template <class Base = ::testing::Test>
class PtyLink : public Base {
protected:
    void SetUp() override {
        try {
            server = std::make_unique<sim::PtyServer>(model);
        } catch (const std::system_error& e) {
            GTEST_SKIP() << "no pseudo-terminal: " << e.what();
        }
        ASSERT_TRUE(names.set_device("COM1", server->device_path()));
    }

    // A value read from the model while the server holds it.
    template <class F>
    auto inspect(F fn) {
        decltype(fn(model)) result{};
        server->with_model([&](sim::PrinterModel& m) { result = fn(m); });
        return result;
    }

    RealClock clock;
    sim::PrinterModel model{clock};
    std::unique_ptr<sim::PtyServer> server;
    PortNames names;
    SerialBackend ports{names, clock};
    FakeLink fake;  // log sink, dialog and messages
    LinkServices services{fake.sink, clock, ports, fake.dialog, fake.messages, fake.format};
    LinkContext& ctx = services.ctx;
};

}  // namespace dru::test
