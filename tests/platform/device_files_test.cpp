#include "platform/linux/device_files.h"

#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>

#include "scratch_directory.h"

namespace i2ct::linux_platform {
namespace {

// Sets or clears XDG_RUNTIME_DIR for one test and puts the old value back afterwards.
class RuntimeDirectory {
  public:
    explicit RuntimeDirectory(const char* value) {
        const char* old = std::getenv("XDG_RUNTIME_DIR");
        if (old != nullptr) {
            saved_ = old;
        }
        if (value != nullptr) {
            setenv("XDG_RUNTIME_DIR", value, 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }
    ~RuntimeDirectory() {
        if (saved_) {
            setenv("XDG_RUNTIME_DIR", saved_->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
    }
    RuntimeDirectory(const RuntimeDirectory&) = delete;
    RuntimeDirectory& operator=(const RuntimeDirectory&) = delete;

  private:
    std::optional<std::string> saved_;
};

TEST(VirtualDeviceDirectory, LiesInTheUsersRuntimeDirectory) {
    RuntimeDirectory runtime("/run/user/1000");
    EXPECT_EQ(VirtualDeviceDirectory(), "/run/user/1000/i2c-usb-modem");
}

TEST(VirtualDeviceDirectory, WithoutRuntimeDirectoryLiesInTmpByUserId) {
    RuntimeDirectory runtime(nullptr);
    EXPECT_EQ(VirtualDeviceDirectory(), "/tmp/i2c-usb-modem-" + std::to_string(getuid()));
}

TEST(VirtualDeviceDirectory, AnEmptyRuntimeDirectoryCountsAsUnset) {
    RuntimeDirectory runtime("");
    EXPECT_EQ(VirtualDeviceDirectory(), "/tmp/i2c-usb-modem-" + std::to_string(getuid()));
}

TEST(DeviceFiles, WrittenFileReadsBackAndLeavesNoTemporary) {
    testing::ScratchDirectory scratch;
    const std::string path = scratch.at("i2c-usb-modem/sim.device");
    ASSERT_TRUE(WriteDeviceFile(path, {"I2C <> USB Modem  Selmur & Vusk", "/dev/pts/4"}));

    const std::optional<DeviceFile> read = ReadDeviceFile(path);
    ASSERT_TRUE(read.has_value());
    EXPECT_EQ(read->description, "I2C <> USB Modem  Selmur & Vusk");
    EXPECT_EQ(read->port, "/dev/pts/4");
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
}

TEST(DeviceFiles, AFileLackingALineIsNotADevice) {
    testing::ScratchDirectory scratch;
    EXPECT_FALSE(ReadDeviceFile(scratch.file("a.device", "description=x\n")).has_value());
    EXPECT_FALSE(ReadDeviceFile(scratch.file("b.device", "port=/dev/pts/1\n")).has_value());
    EXPECT_FALSE(ReadDeviceFile(scratch.at("missing.device")).has_value());
}

}  // namespace
}  // namespace i2ct::linux_platform
