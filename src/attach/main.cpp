// SPDX-License-Identifier: GPL-3.0-or-later
// i2c-modem-attach: lends the modem's serial port to the kernel module i2c-modem, which makes
// it an I2C adapter /dev/i2c-N for i2c-tools, smbus programs and the kernel's client drivers, and
// takes it back when the modem is unplugged or the program is told to end.

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <utility>

#include "attach/adapter.h"
#include "attach/held_port.h"
#include "i2c-modem-protocol.h"

namespace {

using namespace i2ct::attach;
using namespace std::chrono_literals;

constexpr unsigned long kSerioProtocol = I2C_MODEM_SERIO_PROTO;

constexpr int kDone = 0;
constexpr int kFailed = 1;
constexpr int kBadArguments = 2;
constexpr int kNotATty = 3;
constexpr int kNoPermission = 4;
constexpr int kBusy = 5;
constexpr int kModuleMissing = 6;

// serio drivers bind in a kernel thread, and udev may load i2c-modem only when the port shows.
constexpr auto kModuleWait = 3s;
constexpr auto kAdapterWait = 10s;
constexpr auto kLookEvery = 20ms;

constexpr unsigned kSlowestClock = 40;
constexpr unsigned kFastestClock = 350000;

const char* const kHelp =
    "Aufruf: i2c-modem-attach [--clock HZ] PORT\n"
    "Meldet das Modem an der seriellen Schnittstelle PORT (etwa /dev/ttyUSB0) beim Kernel als\n"
    "I2C-Bus an: das Kernelmodul i2c-modem macht daraus /dev/i2c-N, das i2c-tools,\n"
    "smbus-Programme und die Treiber des Kernels benutzen. Das Programm sagt in einer Zeile,\n"
    "welcher Bus es ist, und hält die Schnittstelle, bis das Modem abgezogen wird oder es mit\n"
    "SIGTERM oder Strg-C endet; dann gibt es die Schnittstelle dem Terminal zurück.\n"
    "\n"
    "Optionen:\n"
    "  --clock HZ   setzt den Bustakt beim Anmelden (40 bis 350000 Hz)\n"
    "  --help       dieser Text\n"
    "  --version    die Version\n"
    "\n"
    "Rückgabewert: 0 Modem abgezogen oder Programm beendet; 1 anderer Fehler; 2 falsche\n"
    "Befehlszeile; 3 PORT ist keine serielle Schnittstelle; 4 keine Berechtigung; 5 PORT ist\n"
    "belegt; 6 Kernelmodul serport oder i2c-modem nicht geladen.\n";

void Say(std::FILE* to, const std::string& text) {
    std::fprintf(to, "i2c-modem-attach: %s\n", text.c_str());
    std::fflush(to);
}

int Fail(int status, const std::string& text) {
    Say(stderr, text);
    return status;
}

int Usage(const std::string& problem) {
    Say(stderr, problem + "\nMehr mit: i2c-modem-attach --help");
    return kBadArguments;
}

// SYSFS_PATH puts sysfs elsewhere, as libsysfs allowed; the tests bring one of their own.
std::string SysfsRoot() {
    const char* elsewhere = std::getenv("SYSFS_PATH");
    return elsewhere != nullptr ? elsewhere : kSysfs;
}

struct Options {
    std::string port;
    std::optional<unsigned> clock;
    std::string sysfs = SysfsRoot();
};

std::optional<unsigned> ParseClock(const std::string& text) {
    if (text.empty() || text.size() > 6 || text.find_first_not_of("0123456789") != text.npos) {
        return std::nullopt;
    }
    const unsigned hz = static_cast<unsigned>(std::stoul(text));
    return hz >= kSlowestClock && hz <= kFastestClock ? std::optional(hz) : std::nullopt;
}

int Refused(Refusal why, const std::string& port) {
    switch (why) {
        case Refusal::kMissing:
            return Fail(kNotATty, port + " gibt es nicht");
        case Refusal::kNotATty:
            return Fail(kNotATty, port + " ist keine serielle Schnittstelle");
        case Refusal::kNoPermission:
            return Fail(kNoPermission, "keine Berechtigung für " + port);
        case Refusal::kNotRoot:
            return Fail(kNoPermission, "nur root darf " + port + " als I2C-Bus anmelden");
        case Refusal::kBusy:
            return Fail(kBusy, port + " ist belegt: ein anderes Programm hält die Schnittstelle");
        case Refusal::kNoSerport:
            return Fail(kModuleMissing,
                        "das Kernelmodul serport ist nicht geladen (modprobe serport)");
        case Refusal::kUnusable:
            break;
    }
    return Fail(kFailed, port + " lässt sich nicht als I2C-Bus einrichten");
}

// Ends the main thread's blocking read from another thread. serport's read returns only when the
// tty hangs up or a signal arrives, and a signal sent just before the read starts is lost, so it
// is sent again until the reader is out.
class ReadBreaker {
  public:
    ReadBreaker() : reader_(pthread_self()) {}

    // The reader, before each read: false once the program is to end.
    bool enter() {
        const std::lock_guard hold(mutex_);
        reading_ = !status_.has_value();
        return reading_;
    }
    void leave() {
        const std::lock_guard hold(mutex_);
        reading_ = false;
        left_.notify_all();
    }
    // From any other thread: the program ends with this status (the first one given).
    void stop(int status) {
        std::unique_lock hold(mutex_);
        status_ = status_.value_or(status);
        while (reading_) {
            pthread_kill(reader_, SIGUSR1);
            left_.wait_for(hold, 50ms);
        }
    }
    std::optional<int> status() {
        const std::lock_guard hold(mutex_);
        return status_;
    }

  private:
    const pthread_t reader_;
    std::mutex mutex_;
    std::condition_variable left_;
    bool reading_ = false;
    std::optional<int> status_;
};

// Waits in a thread of its own for the adapter of one read, sets the clock and names the bus;
// ends the read when the adapter does not come.
class AdapterWatch {
  public:
    AdapterWatch(ReadBreaker& breaker, const Options& options, const std::string& tty)
        : thread_([this, &breaker, &options, tty] { watch(breaker, options, tty); }) {}
    ~AdapterWatch() {
        {
            const std::lock_guard hold(mutex_);
            cancelled_ = true;
        }
        cancel_.notify_all();
        thread_.join();
    }

  private:
    void watch(ReadBreaker& breaker, const Options& options, const std::string& tty) {
        const auto start = std::chrono::steady_clock::now();
        std::unique_lock hold(mutex_);
        for (;;) {
            const auto waited = std::chrono::steady_clock::now() - start;
            if (const std::optional<int> bus = FindAdapter(tty, options.sysfs)) {
                const std::string device = "/dev/i2c-" + std::to_string(*bus);
                // The adapter's files may follow it a moment later.
                const int refused =
                    options.clock ? SetBusClock(*bus, *options.clock, options.sysfs) : 0;
                if (refused == 0) {
                    Say(stdout, options.port + " ist jetzt " + device);
                    return;
                }
                if (refused != ENOENT || waited > kAdapterWait) {
                    Say(stderr, "kann den Bustakt von " + device + " nicht auf " +
                                    std::to_string(*options.clock) + " Hz setzen");
                    breaker.stop(kFailed);
                    return;
                }
            } else if (waited > kModuleWait && !ModuleLoaded("i2c-modem", options.sysfs)) {
                Say(stderr, "das Kernelmodul i2c-modem ist nicht geladen (modprobe i2c-modem)");
                breaker.stop(kModuleMissing);
                return;
            } else if (waited > kAdapterWait) {
                Say(stderr, "für " + options.port + " erschien kein I2C-Adapter");
                breaker.stop(kFailed);
                return;
            }
            if (cancel_.wait_for(hold, kLookEvery, [this] { return cancelled_; })) {
                return;
            }
        }
    }

    std::mutex mutex_;
    std::condition_variable cancel_;
    bool cancelled_ = false;
    std::thread thread_;
};

void Interrupted(int) {}

// One read of the lent port, which serport holds until a signal or the hangup, while the adapter
// is watched for; the read's result and its errno.
std::pair<ssize_t, int> ReadLent(HeldPort& port, ReadBreaker& breaker, const Options& options,
                                 const std::string& tty) {
    const AdapterWatch watch(breaker, options, tty);
    char byte;
    const ssize_t got = read(port.fd(), &byte, sizeof byte);
    const int error = errno;
    breaker.leave();
    return {got, error};
}

// Lends the held port to serio until the end; the exit status.
int Serve(HeldPort& port, ReadBreaker& breaker, const Options& options) {
    const std::string tty = TtyName(options.port);
    while (breaker.enter()) {
        const auto [got, error] = ReadLent(port, breaker, options, tty);
        if (breaker.status()) {
            break;
        }
        if (port.hungUp()) {
            Say(stdout, "das Modem an " + options.port + " ist getrennt");
            return kDone;
        }
        // A stop and continue also ends the read; the port is then lent again.
        if ((got < 0 && error != EINTR) || !port.withSerio()) {
            return Fail(kFailed, options.port + " gehört nicht mehr zum I2C-Bus");
        }
    }
    return breaker.status().value_or(kDone);
}

}  // namespace

int main(int argc, char** argv) {
    // Only the thread that waits for them sees the ending signals; the read is broken by SIGUSR1.
    sigset_t ending{};  // zeroed: empty
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        sigaddset(&ending, signal);
    }
    pthread_sigmask(SIG_BLOCK, &ending, nullptr);

    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            std::fputs(kHelp, stdout);
            return kDone;
        }
        if (arg == "--version") {
            std::puts("i2c-modem-attach " I2CT_VERSION);
            return kDone;
        }
        if (arg == "--clock" || arg.starts_with("--clock=")) {
            if (arg == "--clock" && i + 1 == argc) {
                return Usage("--clock ohne Wert");
            }
            const std::string value = arg == "--clock" ? argv[++i] : arg.substr(8);
            options.clock = ParseClock(value);
            if (!options.clock) {
                return Usage("der Bustakt muss zwischen 40 und 350000 Hz liegen: " + value);
            }
        } else if (arg.starts_with("-")) {
            return Usage("unbekannte Option: " + arg);
        } else if (!options.port.empty()) {
            return Usage("nur ein PORT: " + arg);
        } else {
            options.port = arg;
        }
    }
    if (options.port.empty()) {
        return Usage("kein PORT angegeben");
    }

    struct sigaction wake {};
    wake.sa_handler = Interrupted;
    sigaction(SIGUSR1, &wake, nullptr);

    Refusal why = Refusal::kUnusable;
    std::unique_ptr<HeldPort> port = HeldPort::open(options.port, why);
    if (!port) {
        return Refused(why, options.port);
    }
    if (const std::optional<Refusal> refused = port->lendToSerio(kSerioProtocol)) {
        return Refused(*refused, options.port);
    }
    ReadBreaker breaker;
    std::thread signals([&breaker, &ending] {
        int signal;
        sigwait(&ending, &signal);
        breaker.stop(kDone);
    });
    const int status = Serve(*port, breaker, options);
    // The signal thread ends with a signal of its own when none came.
    pthread_kill(signals.native_handle(), SIGTERM);
    signals.join();
    const bool told = status == kDone && !port->hungUp();
    port.reset();
    if (told) {
        Say(stdout, options.port + " ist wieder frei");
    }
    return status;
}
