// The modem's discovery over fuzzed trees: sysfs tty entries with device and subsystem links
// (loops, dangling and absolute ones too), USB product files, and the virtual device directory
// with its *.device files. The input is a list of operations: a byte picks the kind (link, file,
// directory), the place and the name; a length byte and as many bytes give the content or the
// link's target, in which "@" stands for the tree's root.

#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "platform/linux/sysfs_driver.h"
#include "player.h"

namespace fs = std::filesystem;

namespace {

char root[] = "/dev/shm/i2ct-tree-XXXXXX";

void RemoveTree() {
    std::error_code error;
    fs::remove_all(root, error);
}

// No link between the root and path: a fuzzed link must never lead a write out of the tree, and
// the fuzzer may run as root.
bool Plain(fs::path path) {
    std::error_code error;
    while (path != root && !fs::is_symlink(fs::symlink_status(path, error))) {
        path = path.parent_path();
    }
    return path == root;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    return mkdtemp(root) != nullptr && std::atexit(RemoveTree) == 0 ? 0 : (std::abort(), 1);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::vector<std::string> places = i2ct::test::Split(
        "sys/class/tty/ttyUSB0|sys/class/tty/ttyACM0|sys/class/tty/x|sys/devices/u|sys/devices/u/i|"
        "sys/devices/u/i/t|sys/bus/usb|sys/bus/usb-serial|v|dev",
        "|");
    static const std::vector<std::string> names = i2ct::test::Split(
        "|/device|/subsystem|/product|/a.device|/b.device|/ttyUSB0|/.device", "|");
    const std::string tree = root;
    std::error_code error;
    for (const char* top : {"/sys", "/dev", "/v"}) fs::remove_all(tree + top, error);
    fs::create_directories(tree + "/sys/class/tty", error);
    fs::create_directory(tree + "/dev", error);
    mkdir((tree + "/v").c_str(), 0700);
    // Enough operations for any tree of the places and names; more would only slow the search.
    for (std::size_t i = 0, n = 0; i + 1 < size && n < 24; ++n) {
        const unsigned op = data[i];
        std::string text(data + i + 2, data + std::min<std::size_t>(size, i + 2 + data[i + 1]));
        i += 2 + text.size();
        for (std::size_t at = 0; (at = text.find('@', at)) != std::string::npos;
             at += tree.size()) {
            text.replace(at, 1, tree);
        }
        const fs::path path = tree + "/" + places[op / 3 % 10] + names[op / 30 % 8];
        if (op % 3 == 0 && Plain(path.parent_path())) {
            fs::create_symlink(text, path, error);
        } else if (op % 3 == 1 && Plain(path)) {
            std::ofstream(path) << text;
        } else if (op % 3 == 2 && Plain(path)) {
            fs::create_directories(path, error);
        }
    }
    i2ct::linux_platform::SysfsDriver driver({tree + "/sys", tree + "/dev", tree + "/v"});
    const int count = driver.createDeviceInfoList();
    bool sound = driver.deviceDescriptions().size() == static_cast<std::size_t>(count);
    for (int index = -1; index <= count; ++index) {
        if (const std::optional<int> handle = driver.open(index)) {
            sound = sound && !driver.portName(*handle).empty();
            driver.close(*handle);
        }
    }
    return sound ? 0 : (std::abort(), 0);
}
