#include "platform/linux/sysfs_driver.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/device_files.h"
#include "scratch_directory.h"

namespace i2ct::linux_platform {
namespace {

using testing::ScratchDirectory;

// A sysfs tree laid out as the kernel does: class/tty entries whose device link leads into
// devices/, and a subsystem link from each device to its bus.
class FakeSysfs {
  public:
    explicit FakeSysfs(const ScratchDirectory& scratch) : scratch_(scratch) {
        for (const char* bus : {"usb-serial", "usb", "platform"}) {
            scratch_.directory("sys/bus/" + std::string(bus));
        }
        scratch_.directory("sys/class/tty");
        scratch_.directory("dev");
    }

    std::string sysfs() const { return scratch_.at("sys"); }
    std::string dev() const { return scratch_.at("dev"); }

    // A USB device with the given product file; returns its directory below sys/.
    std::string usbDevice(const std::string& name, const std::string& product) const {
        const std::string device = "devices/pci0000:00/0000:00:14.0/usb1/" + name;
        scratch_.file("sys/" + device + "/product", product);
        return device;
    }
    // A tty of a usb-serial driver (FTDI and the like), below the device's first interface.
    void usbSerialTty(const std::string& tty, const std::string& usbDevice) const {
        const std::string port = usbDevice + "/" + interfaceOf(usbDevice) + "/" + tty;
        attach(tty, port, "usb-serial");
    }
    // A CDC ACM tty, whose device is the USB interface itself.
    void acmTty(const std::string& tty, const std::string& usbDevice) const {
        attach(tty, usbDevice + "/" + interfaceOf(usbDevice), "usb");
    }
    void platformTty(const std::string& tty) const {
        attach(tty, "devices/platform/serial8250/" + tty, "platform");
    }
    // A virtual console has no device link at all.
    void consoleTty(const std::string& tty) const {
        scratch_.directory("sys/devices/virtual/tty/" + tty);
        scratch_.link("sys/class/tty/" + tty, scratch_.at("sys/devices/virtual/tty/" + tty));
    }

  private:
    static std::string interfaceOf(const std::string& usbDevice) {
        return usbDevice.substr(usbDevice.rfind('/') + 1) + ":1.0";
    }
    void attach(const std::string& tty, const std::string& device, const std::string& bus) const {
        scratch_.directory("sys/" + device);
        scratch_.link("sys/" + device + "/subsystem", scratch_.at("sys/bus/" + bus));
        const std::string classEntry = device + "/tty/" + tty;
        scratch_.directory("sys/" + classEntry);
        scratch_.link("sys/" + classEntry + "/device", scratch_.at("sys/" + device));
        scratch_.link("sys/class/tty/" + tty, scratch_.at("sys/" + classEntry));
    }

    const ScratchDirectory& scratch_;
};

class SysfsDriverTest : public ::testing::Test {
  protected:
    SysfsDriver driver() const {
        return SysfsDriver({.sysfs = sysfs_.sysfs(),
                            .dev = sysfs_.dev(),
                            .virtualDevices = scratch_.directory("virtual")});
    }
    std::string portOf(SysfsDriver& from, int index) const {
        const std::optional<int> handle = from.open(index);
        EXPECT_TRUE(handle.has_value());
        const Text port = handle ? from.portName(*handle) : Text();
        if (handle) {
            from.close(*handle);
        }
        return port;
    }

    ScratchDirectory scratch_;
    FakeSysfs sysfs_{scratch_};
};

TEST_F(SysfsDriverTest, ListsUsbSerialAndAcmTtysWithTheirProductSortedByName) {
    sysfs_.usbSerialTty("ttyUSB0", sysfs_.usbDevice("1-2", "I2C <> USB Modem  Selmur & Vusk\n"));
    sysfs_.acmTty("ttyACM0", sysfs_.usbDevice("1-3", "CDC Gadget\r\n"));
    SysfsDriver found = driver();

    ASSERT_EQ(found.createDeviceInfoList(), 2);
    EXPECT_EQ(found.deviceDescriptions(),
              (std::vector<Text>{"CDC Gadget", "I2C <> USB Modem  Selmur & Vusk"}));
    EXPECT_EQ(portOf(found, 0), sysfs_.dev() + "/ttyACM0");
    EXPECT_EQ(portOf(found, 1), sysfs_.dev() + "/ttyUSB0");
}

TEST_F(SysfsDriverTest, SkipsTtysThatAreNotOnUsb) {
    sysfs_.platformTty("ttyS0");
    sysfs_.consoleTty("tty1");
    sysfs_.usbSerialTty("ttyUSB3", sysfs_.usbDevice("1-4", "FT232R USB UART\n"));
    SysfsDriver found = driver();

    ASSERT_EQ(found.createDeviceInfoList(), 1);
    EXPECT_EQ(found.deviceDescriptions(), std::vector<Text>{"FT232R USB UART"});
    EXPECT_EQ(portOf(found, 0), sysfs_.dev() + "/ttyUSB3");
}

TEST_F(SysfsDriverTest, KeepsBlanksAndCaseOfTheProductAndConvertsItToTheCodePage) {
    sysfs_.usbSerialTty("ttyUSB0", sysfs_.usbDevice("1-1", "  i2c <>  usb Gerät  \n"));
    SysfsDriver found = driver();

    ASSERT_EQ(found.createDeviceInfoList(), 1);
    EXPECT_EQ(found.deviceDescriptions(), std::vector<Text>{"  i2c <>  usb Ger\xE4t  "});
}

TEST_F(SysfsDriverTest, ListsADeviceWithoutProductWithAnEmptyDescription) {
    const std::string device = "devices/pci0000:00/0000:00:14.0/usb1/1-5";
    scratch_.directory("sys/" + device);
    sysfs_.usbSerialTty("ttyUSB0", device);
    SysfsDriver found = driver();

    ASSERT_EQ(found.createDeviceInfoList(), 1);
    EXPECT_EQ(found.deviceDescriptions(), std::vector<Text>{""});
}

TEST_F(SysfsDriverTest, OrdersByPlainNameComparison) {
    sysfs_.usbSerialTty("ttyUSB2", sysfs_.usbDevice("1-1", "two\n"));
    sysfs_.usbSerialTty("ttyUSB10", sysfs_.usbDevice("1-2", "ten\n"));
    sysfs_.usbSerialTty("ttyUSB1", sysfs_.usbDevice("1-3", "one\n"));
    SysfsDriver found = driver();

    ASSERT_EQ(found.createDeviceInfoList(), 3);
    EXPECT_EQ(found.deviceDescriptions(), (std::vector<Text>{"one", "ten", "two"}));
}

TEST_F(SysfsDriverTest, WithoutSysfsListsNothing) {
    SysfsDriver found({.sysfs = scratch_.at("missing"),
                       .dev = sysfs_.dev(),
                       .virtualDevices = scratch_.at("missing-too")});
    EXPECT_EQ(found.createDeviceInfoList(), 0);
    EXPECT_TRUE(found.deviceDescriptions().empty());
    EXPECT_FALSE(found.open(0).has_value());
}

TEST_F(SysfsDriverTest, VirtualDevicesFollowTheUsbPortsInFileNameOrder) {
    sysfs_.usbSerialTty("ttyUSB0", sysfs_.usbDevice("1-1", "USB one\n"));
    const std::string portB = scratch_.file("pts/b", "");
    const std::string portA = scratch_.file("pts/a", "");
    ASSERT_TRUE(WriteDeviceFile(scratch_.at("virtual/b.device"), {"Sim B", portB}));
    ASSERT_TRUE(WriteDeviceFile(scratch_.at("virtual/a.device"), {"Sim A", portA}));
    SysfsDriver found = driver();

    ASSERT_EQ(found.createDeviceInfoList(), 3);
    EXPECT_EQ(found.deviceDescriptions(), (std::vector<Text>{"USB one", "Sim A", "Sim B"}));
    EXPECT_EQ(portOf(found, 1), portA);
    EXPECT_EQ(portOf(found, 2), portB);
}

TEST_F(SysfsDriverTest, LeavesOutVirtualDevicesWhosePortIsGoneAndFilesThatAreNotDevices) {
    const std::string port = scratch_.file("pts/live", "");
    ASSERT_TRUE(
        WriteDeviceFile(scratch_.at("virtual/gone.device"), {"Gone", scratch_.at("pts/0")}));
    ASSERT_TRUE(WriteDeviceFile(scratch_.at("virtual/live.device"), {"Live", port}));
    scratch_.file("virtual/no-port.device", "description=No port\n");
    scratch_.file("virtual/no-description.device", "port=" + port + "\n");
    scratch_.file("virtual/noise.device", "\x01\x02 rubbish\n");
    scratch_.file("virtual/other.txt", "description=Other\nport=" + port + "\n");
    scratch_.file("virtual/.device", "description=Hidden\nport=" + port + "\n");
    SysfsDriver found = driver();

    ASSERT_EQ(found.createDeviceInfoList(), 1);
    EXPECT_EQ(found.deviceDescriptions(), std::vector<Text>{"Live"});
}

TEST_F(SysfsDriverTest, VirtualDescriptionIsComparedExactlyAndConverted) {
    const std::string port = scratch_.file("pts/x", "");
    scratch_.file("virtual/x.device",
                  "description=I2C <> USB Modem  Selmur & Vusk \r\nport=" + port + "\r\n");
    scratch_.file("virtual/y.device", "port=" + port + "\ndescription=Grüße\n");
    SysfsDriver found = driver();

    ASSERT_EQ(found.createDeviceInfoList(), 2);
    EXPECT_EQ(found.deviceDescriptions(),
              (std::vector<Text>{"I2C <> USB Modem  Selmur & Vusk ", "Gr\xFC\xDF\x65"}));
    EXPECT_EQ(portOf(found, 0), port);
}

TEST_F(SysfsDriverTest, ListIsBuiltAfreshEachTime) {
    const std::string port = scratch_.file("pts/p", "");
    ASSERT_TRUE(WriteDeviceFile(scratch_.at("virtual/p.device"), {"Sim", port}));
    SysfsDriver found = driver();
    ASSERT_EQ(found.createDeviceInfoList(), 1);

    std::filesystem::remove(port);
    EXPECT_EQ(found.createDeviceInfoList(), 0);
    EXPECT_TRUE(found.deviceDescriptions().empty());
}

TEST_F(SysfsDriverTest, OpensOnlyListedPositionsAndForgetsClosedHandles) {
    sysfs_.usbSerialTty("ttyUSB0", sysfs_.usbDevice("1-1", "only\n"));
    SysfsDriver found = driver();
    ASSERT_EQ(found.createDeviceInfoList(), 1);

    EXPECT_FALSE(found.open(-1).has_value());
    EXPECT_FALSE(found.open(1).has_value());
    const std::optional<int> handle = found.open(0);
    ASSERT_TRUE(handle.has_value());
    EXPECT_EQ(found.portName(*handle), sysfs_.dev() + "/ttyUSB0");
    found.close(*handle);
    EXPECT_EQ(found.portName(*handle), "");
}

TEST_F(SysfsDriverTest, AnOpenHandleKeepsItsPortWhenTheListChanges) {
    const std::string port = scratch_.file("pts/p", "");
    ASSERT_TRUE(WriteDeviceFile(scratch_.at("virtual/p.device"), {"Sim", port}));
    SysfsDriver found = driver();
    ASSERT_EQ(found.createDeviceInfoList(), 1);
    const std::optional<int> handle = found.open(0);
    ASSERT_TRUE(handle.has_value());

    std::filesystem::remove(port);
    ASSERT_EQ(found.createDeviceInfoList(), 0);
    EXPECT_EQ(found.portName(*handle), port);
}

TEST(SysfsDriverDefaults, FindsTheVirtualDevicesOfTheUsersRuntimeDirectory) {
    ScratchDirectory scratch;
    const char* before = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = before != nullptr ? before : "";
    setenv("XDG_RUNTIME_DIR", scratch.path().c_str(), 1);
    const std::string port = scratch.file("pts/7", "");
    const bool written = WriteDeviceFile(scratch.at("i2c-usb-modem/sim.device"), {"Sim", port});
    SysfsDriver found({.sysfs = scratch.at("no-sysfs")});
    const int count = found.createDeviceInfoList();
    if (before != nullptr) {
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    } else {
        unsetenv("XDG_RUNTIME_DIR");
    }

    ASSERT_TRUE(written);
    ASSERT_EQ(count, 1);
    EXPECT_EQ(found.deviceDescriptions(), std::vector<Text>{"Sim"});
}

}  // namespace
}  // namespace i2ct::linux_platform
