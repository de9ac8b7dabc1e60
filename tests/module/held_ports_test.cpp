#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "module/held_ports.h"

namespace dru {
namespace {

// A port that only counts how many of its kind are open.
class CountedPort final : public SerialPort {
public:
    explicit CountedPort(int& open) : open_(open) { ++open_; }
    ~CountedPort() override { --open_; }
    bool get_state() override { return true; }
    bool setup_queues(int, int) override { return true; }
    bool set_state() override { return true; }
    bool set_timeouts(int, int) override { return true; }
    long write(std::string_view bytes) override { return static_cast<long>(bytes.size()); }
    long read(char*, std::size_t) override { return 0; }

private:
    int& open_;
};

class HeldPortsTest : public ::testing::Test {
protected:
    PortHandle NewPort() { return std::make_unique<CountedPort>(open); }
    int open = 0;
    HeldPorts held;
};

TEST_F(HeldPortsTest, HandlesCountUpAndAreNotGivenOutAgain) {
    const HeldPorts::Id first = held.hold(NewPort());
    EXPECT_EQ(first, 1u);
    EXPECT_EQ(held.hold(NewPort()), 2u);
    EXPECT_EQ(held.hold(nullptr), HeldPorts::kNone);  // no port: no number used
    EXPECT_TRUE(held.release(first));
    EXPECT_EQ(held.hold(NewPort()), 3u);  // 1 is free again, but the count goes on
    EXPECT_EQ(open, 2);
}

TEST_F(HeldPortsTest, AtMostSixteenAreHeldAndTheRefusedPortCloses) {
    std::set<HeldPorts::Id> ids;
    for (std::size_t i = 0; i < HeldPorts::kMaxHeld; ++i) ids.insert(held.hold(NewPort()));
    EXPECT_EQ(ids.size(), 16u);
    EXPECT_FALSE(ids.contains(HeldPorts::kNone));
    EXPECT_EQ(held.hold(NewPort()), HeldPorts::kNone);
    EXPECT_EQ(open, 16) << "the seventeenth port was closed";

    EXPECT_TRUE(held.release(*ids.begin()));
    EXPECT_NE(held.hold(NewPort()), HeldPorts::kNone);  // room again
    EXPECT_EQ(open, 16);
}

TEST_F(HeldPortsTest, ReleaseClosesThePortAndForgetsTheHandle) {
    const HeldPorts::Id id = held.hold(NewPort());
    ASSERT_NE(held.find(id), nullptr);
    EXPECT_TRUE(*held.find(id));
    EXPECT_EQ(held.find(id + 1), nullptr);
    EXPECT_EQ(held.find(HeldPorts::kNone), nullptr);

    EXPECT_TRUE(held.release(id));
    EXPECT_EQ(open, 0);
    EXPECT_EQ(held.find(id), nullptr);
    EXPECT_FALSE(held.release(id));
    EXPECT_FALSE(held.release(HeldPorts::kNone));
}

}  // namespace
}  // namespace dru
