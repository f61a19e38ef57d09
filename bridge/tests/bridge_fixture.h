// The bridge's tests' fixture: a broker, two displays on pseudo-terminals (counter on COM1, pole
// on COM2) whose bytes are read all the time, a probe that watches every topic, and the bridge.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "bridge/tests/mqtt_support.h"
#include "testing/pty.h"

namespace quillon::test {

inline const std::string status = "quillon/bridge/till/status";

class bridge_run : public ::testing::Test {
  protected:
    std::unique_ptr<test_broker> broker = std::make_unique<test_broker>();
    pseudo_terminal counter, pole;
    master_drain counter_bytes{counter.master()}, pole_bytes{pole.master()};
    std::unique_ptr<mqtt_probe> probe = std::make_unique<mqtt_probe>(broker->port());

    // The bridge with displays counter (COM1) and pole (COM2), once it serves them all.
    std::unique_ptr<bridge_process> start(std::vector<std::string> more = {},
                                          std::map<int, std::string> ports = {},
                                          bool wait_until_serving = true) {
        std::vector<std::string> arguments{"--broker",  broker->url(),  "--client-id", "till",
                                           "--display", "counter=COM1", "--display",   "pole=COM2"};
        arguments.insert(arguments.end(), more.begin(), more.end());
        ports.emplace(1, counter.path());
        ports.emplace(2, pole.path());
        auto bridge = std::make_unique<bridge_process>(arguments, ports);
        const auto displays = std::count(arguments.begin(), arguments.end(), "--display");
        if (wait_until_serving) {
            EXPECT_TRUE(bridge->wait_for_log("serving", static_cast<int>(displays)));
        }
        return bridge;
    }
    std::string last(const std::string& topic, std::size_t count) {
        const auto found = probe->wait_for(topic, count);
        return found.size() < count ? "(nothing)" : found[count - 1].payload;
    }
};

}  // namespace quillon::test
