// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The device driver on Linux: it lists the USB serial ports that sysfs knows, with the product
// text of their USB device as the description, followed by the virtual devices that files in a
// per-user directory announce.

#include <map>
#include <string>
#include <vector>

#include "platform/linux/device_files.h"
#include "platform/serial.h"

namespace i2ct::linux_platform {

// Where the driver looks; tests point these into a temporary tree.
struct DiscoveryPaths {
    std::string sysfs = "/sys";
    std::string dev = "/dev";
    std::string virtualDevices = VirtualDeviceDirectory();
};

class SysfsDriver : public DeviceDriver {
  public:
    explicit SysfsDriver(DiscoveryPaths paths = DiscoveryPaths());

    int createDeviceInfoList() override;
    std::vector<Text> deviceDescriptions() override;
    std::optional<int> open(int index) override;
    // The device path of the tty; empty for a handle that is not open.
    Text portName(int handle) override;
    void close(int handle) override;

  private:
    struct Device {
        Text description;
        std::string port;
    };
    void listUsbSerialPorts();
    void listVirtualDevices();

    DiscoveryPaths paths_;
    std::vector<Device> devices_;
    // An open handle keeps its port even when the list is built again meanwhile.
    std::map<int, std::string> open_;
    int nextHandle_ = 1;
};

}  // namespace i2ct::linux_platform
