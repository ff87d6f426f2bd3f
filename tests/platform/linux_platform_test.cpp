#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <utility>

#include "platform/linux/library_loader.h"
#include "platform/linux/line_settings.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/serial_port.h"
#include "platform/linux/sysfs_driver.h"

namespace i2ct::linux_platform {
namespace {

namespace fs = std::filesystem;
constexpr const char* kSettings = ": baud=115200  parity=N  data=8  stop=1";

std::int64_t MonotonicMs() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return now.tv_sec * 1000 + now.tv_nsec / 1000000;
}

// Waits up to two seconds for something to read.
bool Readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return poll(&entry, 1, 2000) == 1;
}

TEST(LinuxClock, TicksMillisecondsAndSleepsThroughASignalAndACarriedSecond) {
    // signal() asks for interrupted calls to be restarted, but a sleep never is.
    const sighandler_t previous = signal(SIGALRM, [](int) {});
    // 999 ms carry into the next second unless the sleep starts in the first millisecond of one.
    while (MonotonicMs() % 1000 == 0) {
    }
    ualarm(10000, 0);
    LinuxClock clock;
    const auto before = static_cast<Tick>(MonotonicMs());
    const Tick start = clock.ticks();
    EXPECT_LE(static_cast<Tick>(start - before), static_cast<Tick>(MonotonicMs() - before));
    clock.sleep(999);
    const Tick slept = clock.ticks() - start;
    signal(SIGALRM, previous);
    EXPECT_GE(slept, 999U);
    EXPECT_LT(slept, 1500U);
}

// A cooked, slow line with flow control, as a tty may be left by whoever used it last.
termios CookedLine() {
    termios line{};
    line.c_iflag = ICRNL | IXON | IXOFF | IXANY;
    line.c_oflag = OPOST;
    line.c_lflag = ICANON | ISIG;
    line.c_cflag = CS7 | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR;
    line.c_cc[VMIN] = line.c_cc[VTIME] = 1;
    cfsetspeed(&line, B300);
    return line;
}

TEST(LineSettings, GiveARawLineWithTheSpeedAndFramingAsked) {
    const struct {
        const char* text;
        speed_t speed;
        tcflag_t framing;
    } cases[] = {{" baud=115200  parity=N  data=8  stop=1", B115200, CS8},
                 {"", B300, CS8},
                 {"BAUD=4800 Parity=e DATA=7 Stop=2", B4800, CS7 | PARENB | CSTOPB},
                 {"\tbaud = 57600\t parity= O   data =6\r\n", B57600, CS6 | PARENB | PARODD},
                 // Two digits abbreviate as the MODE command does; the last of a key wins.
                 {"parity=M baud=96", B9600, CS8 | PARENB | PARODD | CMSPAR},
                 {"parity=s data=5 stop=1.5 baud=19", B19200, CS5 | PARENB | CMSPAR | CSTOPB},
                 {"baud=1000000 baud=11", B110, CS8},
                 {"baud=11 baud=12", B1200, CS8},
                 {"baud=75", B75, CS8}};
    for (const auto& c : cases) {
        termios tty = CookedLine();
        SCOPED_TRACE(c.text);
        ASSERT_TRUE(ApplyLineSettings(c.text, tty));
        EXPECT_EQ(cfgetispeed(&tty), c.speed);
        EXPECT_EQ(cfgetospeed(&tty), c.speed);
        EXPECT_EQ(tty.c_cflag & ~tcflag_t{CBAUD}, c.framing | CLOCAL | CREAD);
        EXPECT_EQ(tty.c_iflag | tty.c_oflag | tty.c_lflag | tty.c_cc[VMIN] | tty.c_cc[VTIME], 0U);
    }
    for (const char* faulty :
         {"baud=abc", "baud=12345", "baud=", "baud=99999999", "=115200", "baud", "baud 115200",
          "parity=X", "parity=NE", "data=9", "stop=3", "stop=1.5 data=8", "speed=115200"}) {
        termios line = CookedLine(), cooked = CookedLine();
        EXPECT_FALSE(ApplyLineSettings(faulty, line)) << faulty;
        EXPECT_EQ(std::memcmp(&line, &cooked, sizeof line), 0) << faulty;
    }
}

// The port opens the slave side; the test plays the modem on the master side.
struct PseudoTerminal {
    PseudoTerminal() { EXPECT_EQ(openpty(&master, &slave, nullptr, nullptr, nullptr), 0); }
    ~PseudoTerminal() { ::close(master), ::close(slave); }
    // What the port sees of an unplugged device.
    void hangUp() { ::close(std::exchange(master, -1)); }
    std::string path() const { return ttyname(slave); }

    int master = -1;
    int slave = -1;
};

TEST(LinuxSerialPort, HoldsTheTtyAloneRawAndCarriesEveryByteValue) {
    PseudoTerminal pty;
    termios line = CookedLine();
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &line), 0);
    ASSERT_EQ(write(pty.master, "\x55\n", 2), 2);
    ASSERT_TRUE(Readable(pty.slave));
    std::unique_ptr<SerialPort> port = LinuxSerialPorts().open(pty.path() + kSettings);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->waiting(), 0U) << "stale bytes dropped";
    ASSERT_EQ(tcgetattr(pty.slave, &line), 0);
    EXPECT_EQ(cfgetospeed(&line), B115200);
    EXPECT_EQ(line.c_lflag & ICANON, 0U);
    EXPECT_EQ(LinuxSerialPorts().open(pty.path()), nullptr) << "the lock stops root as well";
    int exclusive = 0;  // TIOCEXCL keeps out the openers that do not lock
    EXPECT_EQ(ioctl(pty.slave, TIOCGEXCL, &exclusive), 0);
    EXPECT_EQ(exclusive, 1);

    ASSERT_EQ(write(pty.master, "\x1A\x23", 2), 2);
    ASSERT_TRUE(Readable(pty.slave));
    EXPECT_EQ(port->waiting(), 2U);
    EXPECT_EQ(port->readByte(), 0x1A);
    EXPECT_EQ(port->waiting(), 1U);
    EXPECT_EQ(port->readByte(), 0x23);
    EXPECT_EQ(port->waiting(), 0U);
    EXPECT_EQ(port->readByte(), std::nullopt);

    std::array<std::uint8_t, 256> all{}, back{};
    std::iota(all.begin(), all.end(), 0);
    ASSERT_EQ(write(pty.master, all.data(), all.size()), 256);
    for (const std::uint8_t byte : all) {
        ASSERT_EQ(port->readByte(), byte);
    }
    for (const std::uint8_t byte : all) {
        port->writeByte(byte);
    }
    for (std::size_t got = 0; got < back.size() && Readable(pty.master);) {
        const ssize_t chunk = read(pty.master, back.data() + got, back.size() - got);
        ASSERT_GT(chunk, 0);
        got += static_cast<std::size_t>(chunk);
    }
    EXPECT_EQ(back, all);

    port.reset();
    ioctl(pty.slave, TIOCGEXCL, &exclusive);
    EXPECT_EQ(exclusive, 0);
    line = CookedLine();
    ASSERT_EQ(tcsetattr(pty.slave, TCSANOW, &line), 0);
    EXPECT_NE(LinuxSerialPorts().open(pty.path()), nullptr);
    ASSERT_EQ(tcgetattr(pty.slave, &line), 0);
    EXPECT_EQ(line.c_lflag & ICANON, 0U) << "raw without settings too";
}

TEST(LinuxSerialPort, ReadingCountingAndWritingEachNoticeAHangUp) {
    std::array<PseudoTerminal, 3> ptys;
    std::array<std::unique_ptr<LinuxSerialPort>, 3> ports;
    for (std::size_t i = 0; i < ptys.size(); ++i) {
        ports[i] = LinuxSerialPort::open(ptys[i].path());
        ASSERT_NE(ports[i], nullptr);
        ptys[i].hangUp();
    }
    EXPECT_EQ(ports[0]->readByte(), std::nullopt);
    EXPECT_EQ(ports[1]->waiting(), 0U);
    ports[2]->writeByte(0x12);
    for (const auto& port : ports) {
        EXPECT_TRUE(port->dead());
        EXPECT_EQ(port->waiting(), 0U);
    }
}

// A temporary directory, removed with all it holds when the test ends. Its sysfs tree is laid out
// as the kernel's: class/tty links into devices/, each device links to its bus as subsystem.
struct Scratch {
    Scratch() { fs::remove_all(path), fs::create_directory(path); }
    ~Scratch() { fs::remove_all(path); }
    std::string at(const std::string& relative) const { return path + "/" + relative; }
    std::string file(const std::string& relative, const std::string& content = "") const {
        fs::create_directories(fs::path(at(relative)).parent_path());
        std::ofstream(at(relative), std::ios::binary) << content;
        return at(relative);
    }
    // Both below sys/; the target is made as a directory.
    void link(const std::string& from, const std::string& to) const {
        fs::create_directories(at("sys/" + to));
        fs::create_directories(fs::path(at("sys/" + from)).parent_path());
        fs::create_directory_symlink(at("sys/" + to), at("sys/" + from));
    }
    void tty(const std::string& name, const std::string& device, const std::string& bus) const {
        link(device + "/subsystem", "bus/" + bus);
        link(device + "/tty/" + name + "/device", device);
        link("class/tty/" + name, device + "/tty/" + name);
    }

    // Resolved, as the system reports a working directory; one test runs at a time in a process.
    std::string path =
        fs::canonical(fs::temp_directory_path()) / ("i2ct-" + std::to_string(getpid()));
};

TEST(LinuxSerialPort, OpensAnyFileAndTakesItsEndAsAGoneDevice) {
    Scratch scratch;
    EXPECT_EQ(LinuxSerialPort::open(scratch.at("ttyUSB9") + kSettings), nullptr);
    // A plain file takes no settings, and reads as readable yet empty.
    const std::string file = scratch.file("Gerät");
    const std::unique_ptr<LinuxSerialPort> port = LinuxSerialPort::open(cp1252(file) + kSettings);
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->readByte(), std::nullopt);
    EXPECT_TRUE(port->dead());
    port->writeByte(0x12);
    EXPECT_EQ(fs::file_size(file), 0U);
}

TEST(SysfsDriver, ListsUsbTtysByNameThenVirtualDevicesByFileName) {
    Scratch sys;
    // A usb-serial tty hangs below an interface of its USB device; a CDC ACM tty's device is the
    // interface itself.
    sys.tty("ttyUSB10", "devices/usb1/1-1/1-1:1.0/ttyUSB10", "usb-serial");
    sys.file("sys/devices/usb1/1-1/product", "  i2c <>  usb Gerät  \n");
    sys.tty("ttyUSB2", "devices/usb1/1-2/1-2:1.0/ttyUSB2", "usb-serial");
    sys.tty("ttyUSB1", "devices/usb1/1-3/1-3:1.0/ttyUSB1", "usb-serial");
    sys.file("sys/devices/usb1/1-3/product", "I2C <> USB Modem  Selmur & Vusk\n");
    sys.tty("ttyACM0", "devices/usb1/1-4/1-4:1.0", "usb");
    sys.file("sys/devices/usb1/1-4/product", "CDC Gadget\r\n");
    sys.tty("ttyS0", "devices/platform/serial8250/ttyS0", "platform");
    sys.link("class/tty/tty1", "devices/virtual/tty/tty1");  // a console has no device link
    const std::string a = sys.file("pts/a"), b = sys.file("pts/b"), c = sys.file("pts/c");
    ASSERT_TRUE(WriteDeviceFile(sys.at("virtual/b.device"), {"Sim B", b}));
    sys.file("virtual/a.device", "description=I2C <> USB Modem  Selmur & Vusk \r\nport=" + a);
    sys.file("virtual/c.device", "port=" + c + "\ndescription=Grüße\n");
    // Not devices: a port that has gone, a missing line, a name that is not NAME.device.
    ASSERT_TRUE(WriteDeviceFile(sys.at("virtual/gone.device"), {"Gone", sys.at("pts/0")}));
    EXPECT_FALSE(ReadDeviceFile(sys.file("virtual/no-port.device", "description=No port\n")));
    sys.file("virtual/no-description.device", "port=" + a + "\n");
    sys.file("virtual/other.txt", "description=Other\nport=" + a + "\n");
    sys.file("virtual/.device", "description=Hidden\nport=" + a + "\n");
    SysfsDriver found(
        {.sysfs = sys.at("sys"), .dev = sys.at("dev"), .virtualDevices = sys.at("virtual")});

    ASSERT_EQ(found.createDeviceInfoList(), 7);
    EXPECT_EQ(found.deviceDescriptions(),
              (std::vector<Text>{"CDC Gadget", "I2C <> USB Modem  Selmur & Vusk",
                                 "  i2c <>  usb Ger\xE4t  ", "", "I2C <> USB Modem  Selmur & Vusk ",
                                 "Sim B", "Gr\xFC\xDF\x65"}));
    std::vector<Text> ports;
    for (int i = 0; i < 7; ++i) {
        ports.push_back(found.portName(found.open(i).value()));
    }
    const std::string dev = sys.at("dev/tty");
    EXPECT_EQ(ports, (std::vector<Text>{dev + "ACM0", dev + "USB1", dev + "USB10", dev + "USB2", a,
                                        b, c}));

    EXPECT_FALSE(found.open(-1).has_value());
    EXPECT_FALSE(found.open(7).has_value());
    const int kept = found.open(5).value(), closed = found.open(0).value();
    found.close(closed);
    EXPECT_EQ(found.portName(closed), "");
    // An open handle keeps its port while the list is built afresh.
    fs::remove(b);
    EXPECT_EQ(found.createDeviceInfoList(), 6);
    EXPECT_EQ(found.portName(kept), b);
}

// The loaded driver looks in the system's roots, so only a virtual device can be planted.
TEST(LinuxLibraryLoader, BindsTheDriverToTheRuntimeDirectoryAndStartsInTheWorkingDirectory) {
    Scratch scratch;
    setenv("XDG_RUNTIME_DIR", scratch.path.c_str(), 1);
    ASSERT_TRUE(WriteDeviceFile(scratch.at("i2c-usb-modem/sim.device"), {"Sim", scratch.path}));
    LinuxLibraryLoader loader;
    const std::unique_ptr<DeviceDriver> driver = loader.load("/nowhere/ftd2xx.dll");
    ASSERT_NE(driver, nullptr);
    ASSERT_GE(driver->createDeviceInfoList(), 1);
    EXPECT_EQ(driver->deviceDescriptions().back(), "Sim");
    for (const char* unset : std::initializer_list<const char*>{"", nullptr}) {
        unset != nullptr ? setenv("XDG_RUNTIME_DIR", unset, 1) : unsetenv("XDG_RUNTIME_DIR");
        EXPECT_EQ(VirtualDeviceDirectory(), "/tmp/i2c-usb-modem-" + std::to_string(getuid()));
    }

    const fs::path before = fs::current_path();
    fs::create_directory(scratch.at("Start Verzeichnis ä"));
    fs::current_path(scratch.at("Start Verzeichnis ä"));
    EXPECT_EQ(loader.currentDirectory(), cp1252(scratch.at("Start Verzeichnis ä")));
    fs::current_path(before);
    EXPECT_EQ(loader.directorySeparator(), '/');
}

}  // namespace
}  // namespace i2ct::linux_platform
