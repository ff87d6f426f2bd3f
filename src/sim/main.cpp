// i2c-modem-sim: the simulated modem on a pseudo-terminal, announced to the terminal through a
// virtual device file, or on a unix socket that a virtual machine's USB serial device listens on;
// with a control channel on standard input and output.

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/linux/device_files.h"
#include "platform/modem_description.h"
#include "sim/control.h"
#include "sim/demo.h"
#include "sim/firmware.h"
#include "sim/pty.h"

namespace {

using i2ct::Tick;
using namespace i2ct::sim;

// Set by SIGINT and SIGTERM; the loop sees it within one poll and cleans up. A signal handler may
// touch nothing else.
volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

constexpr int kPollMs = 5;
// What the terminal has not taken yet is kept up to this much; a real modem would overrun.
constexpr std::size_t kMaxUnsent = 65536;

constexpr std::string_view kUsage =
    "usage: i2c-modem-sim [options]\n"
    "\n"
    "Offers a simulated I2C <> USB modem on a pseudo-terminal and announces it in\n"
    "$XDG_RUNTIME_DIR/i2c-usb-modem/i2c-modem-sim-PID.device (/tmp/i2c-usb-modem-UID/ when\n"
    "XDG_RUNTIME_DIR is unset), where the terminal finds it. That directory must be a\n"
    "directory of the user's own that neither group nor others may write; otherwise the\n"
    "simulator says why and exits with status 1.\n"
    "Prints \"port /dev/pts/N\" when the modem is plugged in, then answers each control\n"
    "command on standard input with one line starting with \"ok\" or \"error\".\n"
    "The modem is unplugged (and the device file removed) on quit, SIGINT, SIGTERM and at the\n"
    "end of standard input, unless --keep-running is given.\n"
    "\n"
    "options:\n"
    "  --description TEXT  USB description (default \"" I2CT_MODEM_DESCRIPTION
    "\")\n"
    "  --version X.YZ      firmware version digits X, Y, Z (default 2.20)\n"
    "  --prompt C          prompt character (default #)\n"
    "  --latency MS        answer latency in milliseconds (default 2)\n"
    "  --socket PATH       be the far end of a virtual machine's serial device instead: connect\n"
    "                      to the unix socket PATH it listens on (QEMU: -chardev "
    "socket,server=on)\n"
    "                      while plugged in, close the connection on unplug; no pty, no device\n"
    "                      file, and \"port socket PATH\" is printed\n"
    "  --demo              start with demo traffic on\n"
    "  --keep-running      keep running when standard input ends\n"
    "  --log               log the bytes on the wire to standard error\n"
    "  --wire-log FILE     write the bytes on the wire to FILE with their time, to time the\n"
    "                      terminal from outside: a line \"MICROSECONDS host XX ...\" for each\n"
    "                      read of the terminal's bytes, \"MICROSECONDS modem XX ...\" for each\n"
    "                      write of the modem's; microseconds on CLOCK_MONOTONIC\n"
    "  --help              this text\n"
    "\n"
    "control commands:\n  ";

struct Options {
    std::string description = i2ct::kModemDescription;
    std::array<std::uint8_t, 3> version{2, 2, 0};
    std::uint8_t prompt = '#';
    std::uint32_t latency = Transmitter::kDefaultLatencyMs;
    bool demo = false;
    bool keepRunning = false;
    bool log = false;
    std::string wireLog;
    std::string socket;
};

// "2.20" gives the digits 2, 2, 0; "1.5" gives 1, 5, 0.
std::optional<std::array<std::uint8_t, 3>> ParseVersion(std::string_view text) {
    const std::size_t dot = text.find('.');
    const std::string_view whole = text.substr(0, dot);
    const std::string_view fraction = dot == std::string_view::npos ? "" : text.substr(dot + 1);
    if (whole.empty() || whole.size() > 3 || fraction.size() > 2) {
        return std::nullopt;
    }
    unsigned value = 0;
    for (const char c : whole) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        value = value * 10 + static_cast<unsigned>(c - '0');
    }
    std::array<std::uint8_t, 3> digits{static_cast<std::uint8_t>(value), 0, 0};
    for (std::size_t i = 0; i < fraction.size(); ++i) {
        if (fraction[i] < '0' || fraction[i] > '9') {
            return std::nullopt;
        }
        digits[i + 1] = static_cast<std::uint8_t>(fraction[i] - '0');
    }
    if (value > 255) {
        return std::nullopt;
    }
    return digits;
}

std::optional<Options> ParseOptions(int argc, char** argv, bool& help) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            help = true;
        } else if (arg == "--demo") {
            options.demo = true;
        } else if (arg == "--keep-running") {
            options.keepRunning = true;
        } else if (arg == "--log") {
            options.log = true;
        } else if (arg == "--wire-log" && hasValue) {
            options.wireLog = argv[++i];
        } else if (arg == "--socket" && hasValue) {
            options.socket = argv[++i];
        } else if (arg == "--description" && hasValue) {
            options.description = argv[++i];
        } else if (arg == "--version" && hasValue) {
            const auto version = ParseVersion(argv[++i]);
            if (!version) {
                return std::nullopt;
            }
            options.version = *version;
        } else if (arg == "--prompt" && hasValue && std::strlen(argv[i + 1]) == 1) {
            options.prompt = static_cast<std::uint8_t>(argv[++i][0]);
        } else if (arg == "--latency" && hasValue) {
            char* end = nullptr;
            const unsigned long ms = std::strtoul(argv[++i], &end, 10);
            if (*end != '\0' || ms > 60'000) {
                return std::nullopt;
            }
            options.latency = static_cast<std::uint32_t>(ms);
        } else {
            return std::nullopt;
        }
    }
    return options;
}

Tick Now() {
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<Tick>(ms);
}

void Say(const std::string& line) {
    std::fputs((line + "\n").c_str(), stdout);
    std::fflush(stdout);
}

std::string HexDump(const std::uint8_t* bytes, std::size_t n) {
    std::string text;
    char digits[4];
    for (std::size_t i = 0; i < n; ++i) {
        std::snprintf(digits, sizeof digits, " %02X", bytes[i]);
        text += digits;
    }
    return text;
}

// A connection to the unix socket at path, non-blocking once made; -1 with the reason in error.
int ConnectSocket(const std::string& path, std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        error = "socket path too long: " + path;
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0 || connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        fcntl(fd, F_SETFL, O_NONBLOCK) != 0) {
        error = "cannot connect to " + path + ": " + std::strerror(errno);
        if (fd >= 0) {
            close(fd);
        }
        return -1;
    }
    return fd;
}

// Microseconds on CLOCK_MONOTONIC, the clock that other programs on the machine read as well.
long long MonotonicMicroseconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<long long>(t.tv_sec) * 1'000'000 + t.tv_nsec / 1000;
}

class Simulator {
  public:
    // wireLog, when given, receives the timed bytes of --wire-log and stays the caller's.
    Simulator(const Options& options, std::FILE* wireLog) : options_(options), wireLog_(wireLog) {
        firmware_.setVersion(options.version[0], options.version[1], options.version[2]);
        firmware_.setPrompt(options.prompt);
        firmware_.setLatency(options.latency);
        devicePath_ = i2ct::linux_platform::VirtualDeviceDirectory() + "/i2c-modem-sim-" +
                      std::to_string(getpid()) + ".device";
        if (options.demo) {
            demo_.start(Now());
        }
    }
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;
    ~Simulator() { unplug(); }

    // A fresh pty and device file, or a fresh connection to the socket; the modem's firmware
    // starts from power-up.
    bool plug(std::string& error) {
        if (!options_.socket.empty()) {
            socket_ = ConnectSocket(options_.socket, error);
            if (socket_ < 0) {
                return false;
            }
            unsent_.clear();
            firmware_.powerCycle();
            Say("port socket " + options_.socket);
            return true;
        }
        std::optional<PseudoTerminal> pty = PseudoTerminal::create(error);
        if (!pty) {
            return false;
        }
        if (!i2ct::linux_platform::WriteDeviceFile(devicePath_, {options_.description, pty->path()},
                                                   error)) {
            error = "cannot announce the modem: " + error;
            return false;
        }
        pty_.emplace(std::move(*pty));
        unsent_.clear();
        firmware_.powerCycle();
        Say("port " + pty_->path());
        return true;
    }

    bool plugged() const { return pty_ || socket_ >= 0; }
    // The descriptor the terminal's bytes come in on and the modem's go out on.
    int host() const { return socket_ >= 0 ? socket_ : pty_->master(); }

    void unplug() {
        if (socket_ >= 0) {
            close(socket_);
            socket_ = -1;
        }
        if (pty_) {
            std::remove(devicePath_.c_str());
            pty_.reset();
        }
    }

    int run() {
        while (stopRequested == 0) {
            pollOnce();
            if (quit_) {
                break;
            }
        }
        return 0;
    }

  private:
    void pollOnce() {
        pollfd fds[2];
        nfds_t count = 0;
        if (stdinOpen_) {
            fds[count++] = {STDIN_FILENO, POLLIN, 0};
        }
        const int masterIndex = plugged() ? static_cast<int>(count) : -1;
        if (plugged()) {
            const short events = unsent_.empty() ? POLLIN : POLLIN | POLLOUT;
            fds[count++] = {host(), events, 0};
        }
        const timespec wait = timeout();
        if (ppoll(fds, count, &wait, nullptr) < 0) {
            return;  // a signal; the loop looks at the stop flag
        }
        const Tick now = Now();
        if (stdinOpen_ && (fds[0].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
            readControl(now);
        }
        if (masterIndex >= 0 && plugged() && (fds[masterIndex].revents & (POLLIN | POLLHUP)) != 0) {
            readHost(now);
        }
        demo_.advance(firmware_, now);
        firmware_.advance(now);
        writeHost(now);
    }

    // Until the millisecond of the next event begins, so that a reply due in the next tick goes
    // out when that tick starts rather than a whole poll timeout after the request.
    timespec timeout() const {
        using namespace std::chrono;
        const auto now = steady_clock::now().time_since_epoch();
        const auto tick = duration_cast<milliseconds>(now);
        nanoseconds wait = milliseconds(kPollMs);
        if (const std::optional<Tick> next = firmware_.nextEventAt()) {
            const auto ticks = static_cast<std::int32_t>(*next - static_cast<Tick>(tick.count()));
            wait = ticks <= 0 ? nanoseconds(0) : std::min(wait, milliseconds(ticks) - (now - tick));
        }
        const auto seconds = duration_cast<std::chrono::seconds>(wait);
        return {static_cast<time_t>(seconds.count()), static_cast<long>((wait - seconds).count())};
    }

    void readHost(Tick now) {
        std::uint8_t buffer[256];
        for (;;) {
            const ssize_t n = read(host(), buffer, sizeof buffer);
            if (n == 0 && socket_ >= 0) {
                // The machine at the other end has gone; its device is unplugged with it.
                unplug();
                Say("unplugged: the socket was closed");
                return;
            }
            if (n <= 0) {
                return;
            }
            const auto size = static_cast<std::size_t>(n);
            logWire("host", buffer, size);
            for (std::size_t i = 0; i < size; ++i) {
                firmware_.receive(buffer[i], now);
            }
        }
    }

    void writeHost(Tick now) {
        while (const std::optional<std::uint8_t> byte = firmware_.output().take(now)) {
            if (plugged() && unsent_.size() < kMaxUnsent) {
                unsent_.push_back(*byte);
            }
        }
        if (!plugged() || unsent_.empty()) {
            return;
        }
        const ssize_t n = write(host(), unsent_.data(), unsent_.size());
        if (n > 0) {
            logWire("modem", unsent_.data(), static_cast<std::size_t>(n));
            unsent_.erase(unsent_.begin(), unsent_.begin() + n);
        }
    }

    // Bytes that have just crossed the wire: to standard error with --log, and with their time
    // into the wire log, line by line, so that a reader sees them while the modem runs.
    void logWire(const char* side, const std::uint8_t* bytes, std::size_t n) {
        const long long at = MonotonicMicroseconds();
        if (options_.log) {
            std::fprintf(stderr, "i2c-modem-sim: %-5s>%s\n", side, HexDump(bytes, n).c_str());
        }
        if (wireLog_ != nullptr) {
            std::fprintf(wireLog_, "%lld %s%s\n", at, side, HexDump(bytes, n).c_str());
            std::fflush(wireLog_);
        }
    }

    void readControl(Tick now) {
        char buffer[4096];
        const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) {
            return;
        }
        if (n <= 0) {
            stdinOpen_ = false;
            quit_ = !options_.keepRunning;
            return;
        }
        control_.append(buffer, static_cast<std::size_t>(n));
        std::size_t end;
        while (!quit_ && (end = control_.find('\n')) != std::string::npos) {
            const std::string line = control_.substr(0, end);
            control_.erase(0, end + 1);
            if (line.find_first_not_of(" \t\r") != std::string::npos) {
                execute(line, now);
            }
        }
    }

    void execute(const std::string& line, Tick now) {
        const ControlOutcome outcome = ExecuteControl(line, firmware_, now);
        std::string error;
        switch (outcome.action) {
            case HostAction::None:
                Say(outcome.reply);
                return;
            case HostAction::Unplug:
                if (!plugged()) {
                    Say("error not plugged in");
                    return;
                }
                unplug();
                Say("ok");
                return;
            case HostAction::Plug:
                if (plugged()) {
                    Say("error plugged in already");
                    return;
                }
                Say(plug(error) ? "ok" : "error " + error);
                return;
            case HostAction::DemoOn:
                demo_.start(now);
                Say("ok");
                return;
            case HostAction::DemoOff:
                demo_.stop();
                Say("ok");
                return;
            case HostAction::Quit:
                unplug();
                quit_ = true;
                Say("ok");
                return;
        }
    }

    Options options_;
    std::FILE* wireLog_;
    Firmware firmware_;
    DemoTraffic demo_;
    std::optional<PseudoTerminal> pty_;
    int socket_ = -1;
    std::string devicePath_;
    std::vector<std::uint8_t> unsent_;
    std::string control_;
    bool stdinOpen_ = true;
    bool quit_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    bool help = false;
    const std::optional<Options> options = ParseOptions(argc, argv, help);
    if (help) {
        std::printf("%s%s\n", kUsage.data(), ControlHelp().data());
        return 0;
    }
    if (!options) {
        std::fprintf(stderr, "i2c-modem-sim: bad arguments; see --help\n");
        return 2;
    }
    struct sigaction action {};
    action.sa_handler = RequestStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    // A reader that went away must not kill the modem before it has removed its device file.
    std::signal(SIGPIPE, SIG_IGN);

    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> wireLog(
        options->wireLog.empty() ? nullptr : std::fopen(options->wireLog.c_str(), "w"),
        [](std::FILE* f) { return std::fclose(f); });
    if (!options->wireLog.empty() && !wireLog) {
        std::fprintf(stderr, "i2c-modem-sim: cannot write %s: %s\n", options->wireLog.c_str(),
                     std::strerror(errno));
        return 1;
    }
    Simulator simulator(*options, wireLog.get());
    std::string error;
    if (!simulator.plug(error)) {
        std::fprintf(stderr, "i2c-modem-sim: %s\n", error.c_str());
        return 1;
    }
    return simulator.run();
}
