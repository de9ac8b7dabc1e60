// A host's view of the printer simulator on a pseudo-terminal: the module's
// own services (host folder, serial ports, real clock) with one COM name
// pointed at the simulator's device. Fixtures of tests that drive the
// library as a host does derive from it; it skips where no pseudo-terminal
// can be had.
#pragma once
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <system_error>

#include "dru01000.h"
#include "host/clock.h"
#include "printer_model.h"
#include "pty_server.h"
#include "support/temp_folder.h"

namespace dru::test {

class PtyHost : public ::testing::Test {
protected:
    explicit PtyHost(std::string port) : port_(std::move(port)) {}

    void SetUp() override {
        try {
            server = std::make_unique<sim::PtyServer>(printer);
        } catch (const std::system_error& e) {
            GTEST_SKIP() << "no pseudo-terminal: " << e.what();
        }
        dru_set_host_folder(folder.path().c_str());
        dru_set_port_device(port_.c_str(), server->device_path().c_str());
    }
    void TearDown() override {
        dru_set_port_device(port_.c_str(), nullptr);
        dru_set_host_folder(nullptr);
    }

    // A value read from the simulated printer while the server holds it.
    template <class F>
    auto inspect(F fn) {
        decltype(fn(printer)) value{};
        server->with_model([&](sim::PrinterModel& m) { value = fn(m); });
        return value;
    }

    TempFolder folder;
    RealClock clock;
    sim::PrinterModel printer{clock};
    std::unique_ptr<sim::PtyServer> server;

private:
    std::string port_;
};

}  // namespace dru::test
