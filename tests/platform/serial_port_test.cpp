#include "platform/linux/serial_port.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "scratch_directory.h"

namespace i2ct::linux_platform {
namespace {

constexpr const char* kSettings = ": baud=115200  parity=N  data=8  stop=1";
constexpr uid_t kNobody = 65534;

// The pseudo-terminal stands in for the modem's tty: the port opens its slave side, the test
// plays the modem on the master side and inspects the slave through a descriptor of its own.
class PseudoTerminal {
  public:
    PseudoTerminal() {
        if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
            throw std::runtime_error("cannot open a pseudo-terminal");
        }
        std::array<char, 128> name{};
        if (ttyname_r(slave_, name.data(), name.size()) != 0) {
            throw std::runtime_error("pseudo-terminal without a name");
        }
        path_ = name.data();
    }
    ~PseudoTerminal() {
        hangUp();
        ::close(slave_);
    }
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;

    int master() const { return master_; }
    int slave() const { return slave_; }
    const std::string& path() const { return path_; }
    Text definition() const { return path_ + kSettings; }

    // Closing the master side is what the kernel shows the port as an unplugged device.
    void hangUp() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

  private:
    int master_ = -1;
    int slave_ = -1;
    std::string path_;
};

termios SettingsOf(int fd) {
    termios line{};
    EXPECT_EQ(tcgetattr(fd, &line), 0);
    return line;
}

// Waits until count bytes are queued on fd, which the kernel delivers from the other side of
// the pseudo-terminal in the background; false when they do not come within two seconds.
bool AwaitQueued(int fd, int count) {
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    for (;;) {
        int queued = 0;
        if (ioctl(fd, FIONREAD, &queued) == 0 && queued >= count) {
            return true;
        }
        timespec now{};
        clock_gettime(CLOCK_MONOTONIC, &now);
        if (now.tv_sec - start.tv_sec > 2) {
            return false;
        }
        const timespec pause{0, 1000000};
        nanosleep(&pause, nullptr);
    }
}

std::vector<std::uint8_t> ReadAvailable(int fd, std::size_t count) {
    std::vector<std::uint8_t> bytes;
    pollfd entry{fd, POLLIN, 0};
    while (bytes.size() < count && poll(&entry, 1, 2000) == 1) {
        std::array<std::uint8_t, 512> chunk{};
        const ssize_t got = read(fd, chunk.data(), count - bytes.size());
        if (got <= 0) {
            break;
        }
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
    }
    return bytes;
}

// Runs check in a child process, as the unprivileged user "nobody" when asked; true when the
// check held there.
bool HoldsInChild(const std::function<bool()>& check, bool asNobody) {
    const pid_t child = fork();
    if (child == 0) {
        if (asNobody &&
            (setgroups(0, nullptr) != 0 || setgid(kNobody) != 0 || setuid(kNobody) != 0)) {
            _exit(2);
        }
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    return child > 0 && waitpid(child, &status, 0) == child && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

class SerialPortTest : public ::testing::Test {
  protected:
    // Leaves the tty cooked, slow and with every kind of flow control, so that each setting the
    // port must make is visible.
    void makeTtyCooked() {
        termios line = SettingsOf(pty_.slave());
        line.c_iflag |= ICRNL | IXON | IXOFF;
        line.c_oflag |= OPOST | ONLCR;
        line.c_lflag |= ICANON | ECHO | ISIG;
        line.c_cflag &= ~static_cast<tcflag_t>(CSIZE | CLOCAL);
        line.c_cflag |= CS7 | PARENB | CSTOPB | CRTSCTS;
        line.c_cc[VMIN] = 1;
        line.c_cc[VTIME] = 5;
        cfsetispeed(&line, B9600);
        cfsetospeed(&line, B9600);
        ASSERT_EQ(tcsetattr(pty_.slave(), TCSANOW, &line), 0);
        ASSERT_EQ(cfgetospeed(&line), B9600);
    }

    PseudoTerminal pty_;
    LinuxSerialPorts ports_;
};

TEST_F(SerialPortTest, AppliesTheSettingsOfTheDefinitionRaw) {
    makeTtyCooked();
    const std::unique_ptr<SerialPort> port = ports_.open(pty_.definition());
    ASSERT_NE(port, nullptr);

    const termios line = SettingsOf(pty_.slave());
    EXPECT_EQ(cfgetispeed(&line), B115200);
    EXPECT_EQ(cfgetospeed(&line), B115200);
    EXPECT_EQ(line.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0U);
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | INLCR | IGNCR | ISTRIP), 0U);
    EXPECT_EQ(line.c_oflag & OPOST, 0U);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0U);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);
}

TEST_F(SerialPortTest, DefinitionWithoutSettingsStillMakesTheLineRaw) {
    makeTtyCooked();
    const std::unique_ptr<SerialPort> port = ports_.open(pty_.path());
    ASSERT_NE(port, nullptr);

    const termios line = SettingsOf(pty_.slave());
    EXPECT_EQ(cfgetospeed(&line), B9600);
    EXPECT_EQ(line.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_lflag & ICANON, 0U);
}

TEST_F(SerialPortTest, SettingsThatCannotBeReadLeaveThePortOpenAndUnchanged) {
    makeTtyCooked();
    const std::unique_ptr<SerialPort> port = ports_.open(pty_.path() + ": baud=12345 parity=N");
    ASSERT_NE(port, nullptr);

    const termios line = SettingsOf(pty_.slave());
    EXPECT_EQ(cfgetospeed(&line), B9600);
    EXPECT_NE(line.c_lflag & ICANON, 0U);
    EXPECT_NE(line.c_cflag & CRTSCTS, 0U);
}

TEST_F(SerialPortTest, ANonTerminalOpensAlthoughItTakesNoSettings) {
    testing::ScratchDirectory scratch;
    const std::string file = scratch.file("plain", "");
    EXPECT_NE(ports_.open(file + kSettings), nullptr);
}

TEST_F(SerialPortTest, CarriesEveryByteValueUnchangedBothWays) {
    const std::unique_ptr<SerialPort> port = ports_.open(pty_.definition());
    ASSERT_NE(port, nullptr);
    std::vector<std::uint8_t> all(256);
    for (std::size_t value = 0; value < all.size(); ++value) {
        all[value] = static_cast<std::uint8_t>(value);
    }

    ASSERT_EQ(write(pty_.master(), all.data(), all.size()), 256);
    std::vector<std::uint8_t> received;
    for (std::size_t i = 0; i < all.size(); ++i) {
        const std::optional<std::uint8_t> byte = port->readByte();
        ASSERT_TRUE(byte.has_value()) << "byte " << i;
        received.push_back(*byte);
    }
    EXPECT_EQ(received, all);

    for (const std::uint8_t byte : all) {
        port->writeByte(byte);
    }
    EXPECT_EQ(ReadAvailable(pty_.master(), all.size()), all);
}

TEST_F(SerialPortTest, WaitingCountsTheQueuedBytes) {
    const std::unique_ptr<SerialPort> port = ports_.open(pty_.definition());
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->waiting(), 0U);

    const std::array<std::uint8_t, 3> reply{0x1A, 0x01, 0x23};
    ASSERT_EQ(write(pty_.master(), reply.data(), reply.size()), 3);
    ASSERT_TRUE(AwaitQueued(pty_.slave(), 3));
    EXPECT_EQ(port->waiting(), 3U);
    EXPECT_EQ(port->readByte(), std::optional<std::uint8_t>(0x1A));
    EXPECT_EQ(port->waiting(), 2U);
    EXPECT_EQ(port->readByte(), std::optional<std::uint8_t>(0x01));
    EXPECT_EQ(port->readByte(), std::optional<std::uint8_t>(0x23));
    EXPECT_EQ(port->waiting(), 0U);
}

TEST_F(SerialPortTest, OpeningDiscardsWhatWasQueuedBefore) {
    // A cooked tty would count no bytes until a line is complete.
    termios raw = SettingsOf(pty_.slave());
    cfmakeraw(&raw);
    ASSERT_EQ(tcsetattr(pty_.slave(), TCSANOW, &raw), 0);
    const std::array<std::uint8_t, 2> stale{0x55, 0xAA};
    ASSERT_EQ(write(pty_.master(), stale.data(), stale.size()), 2);
    ASSERT_TRUE(AwaitQueued(pty_.slave(), 2));

    const std::unique_ptr<SerialPort> port = ports_.open(pty_.definition());
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->waiting(), 0U);
}

TEST_F(SerialPortTest, ReadWithNothingToReadGivesNothing) {
    const std::unique_ptr<SerialPort> port = ports_.open(pty_.definition());
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(port->readByte(), std::nullopt);
}

TEST_F(SerialPortTest, SecondOpenFailsWhileTheFirstHoldsThePort) {
    std::unique_ptr<SerialPort> first = ports_.open(pty_.definition());
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(ports_.open(pty_.definition()), nullptr);

    first.reset();
    EXPECT_NE(ports_.open(pty_.definition()), nullptr);
}

TEST_F(SerialPortTest, OpenFailsWhileAnotherProcessHoldsThePort) {
    const std::unique_ptr<SerialPort> held = ports_.open(pty_.definition());
    ASSERT_NE(held, nullptr);
    const Text definition = pty_.definition();
    EXPECT_TRUE(HoldsInChild(
        [&definition] { return LinuxSerialPorts().open(definition) == nullptr; }, false));
}

TEST_F(SerialPortTest, HungUpPortReturnsAtOnceFromEveryCall) {
    const std::unique_ptr<LinuxSerialPort> port = LinuxSerialPort::open(pty_.definition());
    ASSERT_NE(port, nullptr);
    pty_.hangUp();

    EXPECT_EQ(port->readByte(), std::nullopt);
    EXPECT_TRUE(port->dead());
    EXPECT_EQ(port->waiting(), 0U);
    port->writeByte(0x12);
    EXPECT_EQ(port->readByte(), std::nullopt);
    EXPECT_TRUE(port->dead());
}

TEST_F(SerialPortTest, HangUpIsNoticedByCountingAndByWriting) {
    const std::unique_ptr<LinuxSerialPort> counting = LinuxSerialPort::open(pty_.definition());
    ASSERT_NE(counting, nullptr);
    EXPECT_FALSE(counting->dead());
    pty_.hangUp();
    EXPECT_EQ(counting->waiting(), 0U);
    EXPECT_TRUE(counting->dead());

    PseudoTerminal other;
    const std::unique_ptr<LinuxSerialPort> writing = LinuxSerialPort::open(other.definition());
    ASSERT_NE(writing, nullptr);
    other.hangUp();
    writing->writeByte(0x12);
    EXPECT_TRUE(writing->dead());
}

TEST_F(SerialPortTest, PathThatCannotBeOpenedGivesNothing) {
    testing::ScratchDirectory scratch;
    EXPECT_EQ(ports_.open(scratch.at("ttyUSB9") + kSettings), nullptr);
    EXPECT_EQ(ports_.open(scratch.path() + kSettings), nullptr);
    EXPECT_EQ(ports_.open(kSettings), nullptr);
}

TEST_F(SerialPortTest, PortTheUserMayNotOpenGivesNothing) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to set up a port that another user may not open";
    }
    ASSERT_EQ(fchown(pty_.slave(), 0, 0), 0);
    ASSERT_EQ(fchmod(pty_.slave(), 0600), 0);
    const Text definition = pty_.definition();

    EXPECT_TRUE(HoldsInChild(
        [&definition] { return LinuxSerialPorts().open(definition) == nullptr; }, true));
    EXPECT_NE(ports_.open(definition), nullptr);
}

TEST_F(SerialPortTest, ClosingLetsTheNextOrdinaryUserIn) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "needs root to switch to an ordinary user";
    }
    ASSERT_EQ(fchown(pty_.slave(), kNobody, kNobody), 0);
    const Text definition = pty_.definition();
    const auto opens = [&definition] { return LinuxSerialPorts().open(definition) != nullptr; };

    std::unique_ptr<SerialPort> held = ports_.open(definition);
    ASSERT_NE(held, nullptr);
    EXPECT_FALSE(HoldsInChild(opens, true));
    held.reset();
    EXPECT_TRUE(HoldsInChild(opens, true));
}

}  // namespace
}  // namespace i2ct::linux_platform
