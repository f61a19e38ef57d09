// Guards the wiring that keeps every test away from the machine's real serial ports.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

TEST(test_environment, every_port_is_mapped_away_from_real_devices) {
    for (int port = 1; port <= 8; ++port) {
        const std::string name = "QUILLON_COM" + std::to_string(port);
        const char* value = std::getenv(name.c_str());
        ASSERT_NE(value, nullptr) << name << " is not set";
        EXPECT_EQ(std::string(value).rfind("/dev/ttyS", 0), std::string::npos) << name;
    }
    const char* config = std::getenv("XDG_CONFIG_HOME");
    ASSERT_NE(config, nullptr) << "the user's own configuration would be read";
    EXPECT_NE(std::string(config).find("config-home"), std::string::npos) << config;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    ASSERT_NE(platform, nullptr);
    EXPECT_STREQ(platform, "offscreen");
}
