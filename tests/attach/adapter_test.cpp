// The attach program finds its adapter in sysfs by the tty's name, and sets the clock there.
#include "attach/adapter.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <string>

using namespace i2ct::attach;
namespace fs = std::filesystem;

TEST(Adapter, IsFoundByTheTtysWholeNameAndTakesTheClock) {
    for (const auto& [name, word, holds] : {std::tuple{"i2c-modem on ttyUSB1", "ttyUSB1", true},
                                            {"i2c-modem on ttyUSB10", "ttyUSB1", false},
                                            {"i2c-modem on xttyUSB1", "ttyUSB1", false},
                                            {"ttyUSB1/serio0", "ttyUSB1", true},
                                            {"i2c-modem on ttyUSB1", "", false}}) {
        EXPECT_EQ(HoldsWord(name, word), holds) << name << " / " << word;
    }
    EXPECT_EQ(TtyName("/dev/pts/0"), "pts0");

    const fs::path sys = fs::temp_directory_path() / ("attach-sysfs-" + std::to_string(getpid()));
    const fs::path devices = sys / "bus/i2c/devices";
    const auto node = [&](const std::string& dir, const std::string& name) {
        fs::create_directories(devices / dir);
        std::ofstream(devices / dir / "name") << name << "\n";
    };
    node("i2c-2", "i2c-modem on ttyUSB10");
    node("3-0050", "at24 on ttyUSB1");  // a client, not an adapter
    EXPECT_FALSE(FindAdapter("ttyUSB1", sys));
    EXPECT_FALSE(ModuleLoaded("i2c-modem", sys));
    node("i2c-13", "i2c-modem on ttyUSB1");
    EXPECT_EQ(FindAdapter("ttyUSB1", sys), 13);
    EXPECT_EQ(SetBusClock(13, 1500, sys), ENOENT) << "no clock file yet";
    std::ofstream(devices / "i2c-13/bus_clock_hz").flush();
    EXPECT_EQ(SetBusClock(13, 1500, sys), 0);
    std::string written;
    std::getline(std::ifstream(devices / "i2c-13/bus_clock_hz"), written);
    EXPECT_EQ(written, "1500");
    fs::create_directories(sys / "module/i2c_modem");
    EXPECT_TRUE(ModuleLoaded("i2c-modem", sys));
    fs::remove_all(sys);
}
