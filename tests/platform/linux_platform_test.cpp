#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <filesystem>
#include <fstream>
#include <numeric>
#include "platform/linux/library_loader.h"
#include "platform/linux/line_settings.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/serial_port.h"
#include "platform/linux/sysfs_driver.h"
#include "platform/linux/uucp_lock.h"

namespace i2ct::linux_platform {

namespace fs = std::filesystem;

TEST(Text, ConvertsAndRaisesByTheCodePage) {
    // No byte for U+0080 or U+40000 either; then a stray byte and unfinished sequences.
    EXPECT_EQ(cp1252("中😀Ω\xC2\x80\xF1\x80\x80\x80"), "\x81\x81\x81\x81\x81");
    EXPECT_EQ(cp1252("\xFF-\xC3(\xC3"), "\x81-\x81(\x81");
    EXPECT_EQ(utf8("\x80\x81\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E\x91\x92\x93\x94\x95"
                   "\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F"),
              "€\xEF\xBF\xBD‚ƒ„…†‡ˆ‰Š‹ŒŽ‘’“”•–—˜™š›œžŸ");
    for (int b = 0; b < 256; ++b) {
        const Text one(1, static_cast<char>(b));
        const bool unassigned = b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D;
        EXPECT_EQ(cp1252(utf8(one)), unassigned ? "\x81" : one) << "byte " << b;
    }
    EXPECT_EQ(upperCase(cp1252("wr 0072 az`{ àäöþ ß ÷ ÿ š œ ž µ 中")),
              cp1252("WR 0072 AZ`{ ÀÄÖÞ ß ÷ Ÿ Š Œ Ž µ 中"));
}

TEST(LinuxClock, TicksMillisecondsAndSleepsThroughASignalAndACarriedSecond) {
    LinuxClock clock;
    const Tick start = clock.ticks();
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    EXPECT_LT(static_cast<Tick>(now.tv_sec * 1000 + now.tv_nsec / 1000000) - start, 100U);
    signal(SIGALRM, [](int) {});  // asks for restarted calls, which a sleep never is
    ualarm(10000, 0);
    clock.sleep(999);  // this or the next one carries into the next second
    clock.sleep(1);
    const Tick slept = clock.ticks();
    EXPECT_GE(slept - start, 1000U);
    clock.sleep(20);  // most likely within the second
    EXPECT_GE(clock.ticks() - slept, 20U);
    EXPECT_LT(clock.ticks() - start, 1500U);
}

const termios kCooked = [] {  // cooked, slow, flow-controlled: as another program may leave a tty
    termios line{};
    line.c_iflag = IXON | IXOFF | IXANY, line.c_oflag = OPOST, line.c_lflag = ICANON;
    line.c_cflag = B300 | CS7 | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR;
    return line;
}();

TEST(LineSettings, GiveARawLineWithTheSpeedAndFramingAsked) {
    // The last of a key wins; two digits abbreviate as the MODE command does.
    const std::pair<const char*, tcflag_t> cases[] = {
        {" baud=115200  parity=N  data=8  stop=1", B115200 | CS8},
        {"BAUD=4800 Parity=e DATA=7 Stop=2", B4800 | CS7 | PARENB | CSTOPB},
        {"\tbaud = 57600\t parity= O   data =6\r\n", B57600 | CS6 | PARENB | PARODD},
        {"parity=s data=5 stop=1.5 baud=15 baud=30 baud=60 baud=12 baud=24 baud=48 baud=19",
         B19200 | CS5 | PARENB | CMSPAR | CSTOPB},
        {"parity=M baud=1000000 baud=11 baud=96 baud=75", B75 | CS8 | PARENB | PARODD | CMSPAR}};
    termios tty{};
    for (const auto& [text, cflag] : cases) {
        SCOPED_TRACE(text);
        ASSERT_TRUE(ApplyLineSettings(text, tty = kCooked));
        EXPECT_EQ(tty.c_cflag, cflag | CLOCAL | CREAD);
        EXPECT_EQ(tty.c_iflag | tty.c_oflag | tty.c_lflag | tty.c_cc[VMIN] | tty.c_cc[VTIME], 0U);
    }
    for (const char* bad : {"parity=X", "parity=NE", "data=9", "stop=3", "stop=1.5", "speed=1"}) {
        EXPECT_FALSE(ApplyLineSettings(bad, tty)) << bad;
    }
    // Every rate Linux has, as glibc's cfsetspeed knows it by number.
    for (const speed_t rate :
         {50,     75,     110,     134,     150,     200,     300,     600,     1200,    1800,
          2400,   4800,   9600,    19200,   38400,   57600,   115200,  230400,  460800,  500000,
          576000, 921600, 1000000, 1152000, 1500000, 2000000, 2500000, 3000000, 3500000, 4000000}) {
        termios want{};
        EXPECT_TRUE(cfsetspeed(&want, rate) == 0 &&
                    ApplyLineSettings("baud=" + std::to_string(rate), tty = kCooked) &&
                    cfgetospeed(&tty) == cfgetospeed(&want))
            << rate;
    }
}

// What this process holds open: discovery runs every three seconds while the modem is away, so a
// descriptor left behind at each run would use them all up within a day.
std::size_t OpenDescriptors() {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator("/proc/self/fd"), {}));
}

struct PseudoTerminal {  // the port opens the slave side; the test plays the modem on the master
    PseudoTerminal() { EXPECT_EQ(openpty(&master, &slave, nullptr, &kCooked, nullptr), 0); }
    ~PseudoTerminal() { ::close(master), ::close(slave); }
    std::string path() const { return ttyname(slave); }
    int master = -1, slave = -1;
};

TEST(LinuxSerialPort, HoldsTheTtyAloneCarriesEveryByteRawAndNoticesAHangUp) {
    PseudoTerminal pty;
    close(STDIN_FILENO);  // as started by a service: an open may well return descriptor 0
    const std::size_t held = OpenDescriptors();
    pollfd slave{pty.slave, POLLIN, 0}, master{pty.master, POLLIN, 0};
    ASSERT_TRUE(write(pty.master, "\x55\n", 2) == 2 && poll(&slave, 1, 2000) == 1);  // stale bytes
    std::unique_ptr<LinuxSerialPort> port = LinuxSerialPort::open(pty.path());
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->readByte(), std::nullopt) << "stale bytes dropped, nothing after 110 ms";
    LinuxSerialPorts second;
    EXPECT_EQ(second.open(pty.path()), nullptr) << "the lock stops root as well";
    EXPECT_EQ(second.lastFailure(), PortFailure::Busy);
    int exclusive = 0;  // TIOCEXCL keeps out the openers that do not lock
    EXPECT_TRUE(ioctl(pty.slave, TIOCGEXCL, &exclusive) == 0 && exclusive == 1);
    std::array<std::uint8_t, 256> all{};
    std::iota(all.begin(), all.end(), 0);
    ASSERT_EQ(write(pty.master, all.data(), all.size()), 256);
    for (const std::uint8_t byte : all) {  // a cooked line would hold them back or change them
        std::uint8_t back = 0;
        ASSERT_EQ(port->readByte(), byte);
        EXPECT_EQ(port->waiting(), 255U - byte);
        port->writeByte(byte);
        ASSERT_TRUE(poll(&master, 1, 2000) == 1 && read(pty.master, &back, 1) == 1 && back == byte);
    }
    termios line{};
    tcgetattr(pty.slave, &line);
    line.c_lflag |= ICANON;  // the end of the file, and nothing hung up: only the read tells
    line.c_cc[VEOF] = 4;
    ASSERT_TRUE(tcsetattr(pty.slave, TCSANOW, &line) == 0 && write(pty.master, "\x04", 1) == 1);
    EXPECT_EQ(port->readByte(), std::nullopt);
    EXPECT_TRUE(port->dead());
    port.reset();
    EXPECT_EQ(OpenDescriptors(), held);
    EXPECT_TRUE(ioctl(pty.slave, TIOCGEXCL, &exclusive) == 0 && exclusive == 0);
    ASSERT_NE(LinuxSerialPorts().open(pty.path() + ": baud=115200"), nullptr);
    EXPECT_TRUE(tcgetattr(pty.slave, &line) == 0 && cfgetospeed(&line) == B115200);
    EXPECT_EQ(second.open(pty.path() + ": baud=115200 parity=X"), nullptr);
    EXPECT_EQ(second.lastFailure(), PortFailure::Other);
    ASSERT_EQ(flock(pty.slave, LOCK_EX), 0);  // held as pyserial's exclusive opener holds it
    EXPECT_EQ(second.open(pty.path() + ": baud=115200"), nullptr);
    EXPECT_EQ(second.lastFailure(), PortFailure::Busy);
    for (const bool reading : {true, false}) {  // each notices by itself that the device has gone
        PseudoTerminal gone;
        ASSERT_NE(port = LinuxSerialPort::open(gone.path()), nullptr);
        ::close(std::exchange(gone.master, -1));  // what the port sees of an unplugged device
        EXPECT_TRUE(reading ? !port->readByte() : port->waiting() == 0);
        EXPECT_TRUE(port->dead());
        EXPECT_EQ(port->waiting(), 0U);
    }
}

struct Scratch {
    ~Scratch() { fs::remove_all(path); }
    std::string file(const std::string& relative, const std::string& content = "") const {
        fs::create_directories(fs::path(path + relative).parent_path());
        std::ofstream(path + relative, std::ios::binary) << content;
        return path + relative;
    }
    // As in sysfs: the tty's link to its device, and the device's link to its bus as subsystem.
    void tty(const std::string& name, const std::string& device, const std::string& bus) const {
        for (const std::string& made : {device, "class/tty/" + name, "bus/" + bus}) {
            fs::create_directories(path + made);
        }
        fs::create_directory_symlink(path + device, path + "class/tty/" + name + "/device");
        fs::create_directory_symlink(path + "bus/" + bus, path + device + "/subsystem");
    }
    std::string path = fs::temp_directory_path() / ("i2ct-" + std::to_string(getpid())) / "";
};

TEST(DeviceDiscovery, ListsUsbTtysByNameThenVirtualDevicesByFileName) {
    Scratch sys;
    close(STDIN_FILENO);  // as started by a service: an open may well return descriptor 0
    const std::size_t held = OpenDescriptors();
    // A usb-serial tty hangs below an interface of its USB device; an ACM tty's is the interface.
    sys.tty("ttyUSB10", "devices/usb1/1-1/1-1:1.0/ttyUSB10", "usb-serial");
    sys.file("devices/usb1/1-1/product", "  Gerät  \n");
    sys.tty("ttyACM0", "devices/usb1/1-4/1-4:1.0", "usb");
    sys.file("devices/usb1/1-4/product", "ACM\r\n");
    sys.tty("ttyS0", "devices/platform/serial8250/ttyS0", "platform");
    const std::string a = sys.file("pts/Gerät"), b = sys.file("pts/b"), virt = "i2c-usb-modem/";
    std::string why;
    ASSERT_TRUE(WriteDeviceFile(sys.path + virt + "b.device", {"Sim B", b}, why)) << why;
    sys.file(virt + "a.device", "port=" + a + "\r\ndescription=Grüße \r\n");
    // Not devices: a missing line, a name that is not NAME.device.
    EXPECT_FALSE(ReadDeviceFile(sys.file(virt + "no-port.device", "description=No port\n")));
    sys.file(virt + "no-description.device", "port=" + a + "\n");
    sys.file(virt + "other.txt", "description=Other\nport=" + a + "\n");
    sys.file(virt + ".device", "description=Hidden\nport=" + a + "\n");
    fs::create_symlink("/dev/zero", sys.path + virt + "zero.device");       // endless, and a link
    ASSERT_EQ(mkfifo((sys.path + virt + "fifo.device").c_str(), 0600), 0);  // would block
    SysfsDriver found({sys.path, sys.path + "dev", sys.path + virt});
    ASSERT_EQ(found.createDeviceInfoList(), 4);
    EXPECT_EQ(found.deviceDescriptions(),
              (std::vector<Text>{"ACM", "  Ger\xE4t  ", "Gr\xFC\xDF\x65 ", "Sim B"}));
    const int first = found.open(0).value();
    EXPECT_EQ(found.portName(first), sys.path + "dev/ttyACM0");
    EXPECT_EQ(found.open(4), std::nullopt);
    found.close(first);
    EXPECT_EQ(found.portName(first), "");
    // Only a terminal device opens, whatever names it: not a plain file, a FIFO or a directory.
    const std::string dev = sys.file("dev/ttyACM0", "keep"), fifo = sys.path + "fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    for (const std::string& path : {found.portName(found.open(2).value()), dev, fifo, sys.path}) {
        EXPECT_EQ(LinuxSerialPorts().open(path + ": baud=115200"), nullptr) << path;
    }
    PortFailure failure = PortFailure::None;  // and says why, also for a device of another kind
    for (const std::string& path : {dev, fifo, sys.path, std::string("/dev/full")}) {
        EXPECT_TRUE(!LinuxSerialPort::open(path, &failure) && failure == PortFailure::NotATerminal)
            << path;
    }
    EXPECT_TRUE(!LinuxSerialPort::open(sys.path + "none", &failure) &&
                failure == PortFailure::Missing);
    EXPECT_TRUE(PortFailureOf(EACCES) == PortFailure::NoPermission &&
                PortFailureOf(EBUSY) == PortFailure::Busy);
    EXPECT_EQ(std::ifstream(dev).rdbuf()->sgetc(), 'k');
    EXPECT_EQ(OpenDescriptors(), held);
    setenv("XDG_RUNTIME_DIR", sys.path.c_str(), 1);  // the loaded driver's virtual devices
    const std::unique_ptr<DeviceDriver> loaded = LinuxLibraryLoader().load("/nowhere/ftd2xx.dll");
    ASSERT_GE(loaded->createDeviceInfoList(), 2);
    EXPECT_EQ(loaded->deviceDescriptions().back(), "Sim B");
    fs::remove(b);  // a device whose port has gone is listed no more
    EXPECT_EQ(found.createDeviceInfoList(), 3);
    setenv("XDG_RUNTIME_DIR", "", 1);  // as good as unset
    EXPECT_EQ(VirtualDeviceDirectory(), "/tmp/i2c-usb-modem-" + std::to_string(getuid()));
}

TEST(DeviceFiles, LiveOnlyInADirectoryOfTheUsersOwnAndNeverFollowALink) {
    close(STDIN_FILENO);  // as started by a service: an open may well return descriptor 0
    Scratch sys;
    const std::string own = sys.path + "own", theirs = sys.file("theirs", "kept");
    std::string why;
    ASSERT_TRUE(WriteDeviceFile(own + "/m.device", {"M", theirs}, why)) << why;
    fs::remove(own + "/m.device");
    fs::create_symlink(theirs, own + "/m.device");  // replaced, not followed
    ASSERT_TRUE(WriteDeviceFile(own + "/m.device", {"M", theirs}, why)) << why;
    EXPECT_FALSE(fs::is_symlink(own + "/m.device"));
    EXPECT_EQ(SysfsDriver({sys.path, sys.path, own}).createDeviceInfoList(), 1);
    fs::create_directory(own + "/d.device");  // a name that a directory holds stays as it is
    EXPECT_FALSE(WriteDeviceFile(own + "/d.device", {"M", theirs}, why));
    EXPECT_EQ(why, own + "/d.device: Is a directory");
    EXPECT_FALSE(fs::exists(own + "/.d.device.tmp"));
    // Planted by another user, or open to others: neither read nor written.
    fs::create_directory_symlink(own, sys.path + "link");
    const std::pair<std::string, std::string> refused[] = {
        {"link", "not a directory of its own"},
        {"open/i2c-usb-modem", "written by others"},
        {"group", "written by others"},
        {"nobody", "belongs to user 65534"}};
    for (const auto& [name, reason] : refused) {
        const std::string dir = sys.path + name;
        fs::create_directories(dir);
        sys.file(name + "/planted.device", "description=M\nport=" + theirs);  // no line end
        chmod(dir.c_str(), name == "group" ? 0770 : 0703);
        EXPECT_TRUE(name != "nobody" || chown(dir.c_str(), 65534, 0) == 0);
        EXPECT_EQ(SysfsDriver({sys.path, sys.path, dir}).createDeviceInfoList(), 0) << name;
        EXPECT_FALSE(WriteDeviceFile(dir + "/planted.device", {"X", "/dev/null"}, why)) << name;
        EXPECT_NE(why.find(reason), std::string::npos) << why;
        EXPECT_EQ(ReadDeviceFile(dir + "/planted.device")->port, theirs);
    }
    // The simulator says why it will not announce itself there.
    const std::string run = "XDG_RUNTIME_DIR=" + sys.path +
                            "open " I2CT_SIM_BINARY " </dev/null 2>" + sys.path + "said";
    EXPECT_EQ(WEXITSTATUS(std::system(run.c_str())), 1);
    std::getline(std::ifstream(sys.path + "said"), why);
    EXPECT_EQ(why, "i2c-modem-sim: cannot announce the modem: " + sys.path +
                       "open/i2c-usb-modem may be written by others than you");
    EXPECT_EQ(std::ifstream(theirs).rdbuf()->sgetc(), 'k');
}

TEST(UucpLock, KeepsOutWhileItsHolderLivesAndReplacesAStaleOne) {
    const Scratch dir;
    const std::string at = fs::path(dir.path).parent_path();
    PseudoTerminal pty;
    close(STDIN_FILENO);  // as started by a service: an open may well return descriptor 0
    const std::string name = LockFileName(pty.path());
    EXPECT_EQ(name, "LCK.." + pty.path().substr(5).replace(3, 1, "_"));  // /dev/pts/N: pts_N
    const std::string lock = dir.file(name, "1");  // init lives as long as we do; unpadded
    EXPECT_FALSE(UucpLock::take(pty.path(), at));
    const pid_t ended = fork();
    if (ended == 0) {
        _exit(0);
    }
    ASSERT_EQ(waitpid(ended, nullptr, 0), ended);
    dir.file(name, std::to_string(ended) + "\n");
    std::optional<UucpLock> ours = UucpLock::take(pty.path(), at);
    ASSERT_TRUE(ours && ours->path() == lock);
    char mine[16];
    std::snprintf(mine, sizeof mine, "%10d\n", static_cast<int>(getpid()));
    std::ifstream written(lock);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(written), {}), mine);
    EXPECT_FALSE(UucpLock::take(pty.path(), at)) << "ours keeps a second opener out";
    ours.reset();
    EXPECT_FALSE(fs::exists(lock));
    dir.file(name, "");  // a lock without a PID is nobody's
    std::optional<UucpLock> again = UucpLock::take(pty.path(), at);
    ASSERT_TRUE(again && again->path() == lock);
    dir.file(name, "         1\n");  // someone else's now, after a removal by hand
    again.reset();
    EXPECT_TRUE(fs::exists(lock)) << "nobody else's lock is removed";
    fs::remove(lock);
    fs::create_symlink("/nowhere", lock);  // a link is read as no lock file, and replaced
    EXPECT_TRUE(UucpLock::take(pty.path(), at) && !fs::is_symlink(lock));
    fs::create_directory(lock);  // a name that no lock can replace keeps the port
    EXPECT_FALSE(UucpLock::take(pty.path(), at));
    EXPECT_EQ(LockFileName("/nowhere/ttyQ9"), "LCK..ttyQ9");
}

}  // namespace i2ct::linux_platform
