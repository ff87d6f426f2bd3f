// SPDX-License-Identifier: LGPL-2.1-or-later
// The library's front end: the system's clock, serial ports and driver, the batch program's waits
// that end as soon as the answer is there, and window ports that show nothing, around one
// Program per handle. Every call is one of the modem operations; a call after a failed exchange
// finds the modem again first. The calls on a handle take turns, so that threads may share it.
#include "i2cmodem.h"

#include <algorithm>
#include <array>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <set>
#include <string>
#include <thread>

#include "headless/ports.h"
#include "headless/system_ports.h"
#include "modem/connection.h"
#include "modem/frame.h"
#include "modem/operations.h"
#include "modem/status_text.h"
#include "modem/version.h"
#include "platform/memory_output_area.h"

namespace {

using namespace i2ct;

struct NoMessages : MessageLine {
    void setText(const Text&) override {}
    void setTextColour(Rgb) override {}
    void setBackground(Rgb) override {}
};

// The system's driver, or one that lists the given port; either way the port it hands out is
// noted, so that the caller can learn where the modem was found.
class Drivers : public LibraryLoader {
  public:
    Drivers(LibraryLoader& system, std::optional<Text> given, Text& found)
        : system_(system), given_(std::move(given)), found_(found) {}
    Text currentDirectory() override { return system_.currentDirectory(); }
    char directorySeparator() override { return system_.directorySeparator(); }
    std::unique_ptr<DeviceDriver> load(const Text& path) override {
        std::unique_ptr<DeviceDriver> inner =
            given_ ? GivenPortDriver(*given_) : system_.load(path);
        return inner ? std::make_unique<Noting>(std::move(inner), found_) : nullptr;
    }

  private:
    struct Noting : DeviceDriver {
        Noting(std::unique_ptr<DeviceDriver> d, Text& f) : inner(std::move(d)), found(f) {}
        int createDeviceInfoList() override { return inner->createDeviceInfoList(); }
        std::vector<Text> deviceDescriptions() override { return inner->deviceDescriptions(); }
        std::optional<int> open(int index) override { return inner->open(index); }
        Text portName(int handle) override { return found = inner->portName(handle); }
        void close(int handle) override { inner->close(handle); }
        std::unique_ptr<DeviceDriver> inner;
        Text& found;
    };

    LibraryLoader& system_;
    std::optional<Text> given_;
    Text& found_;
};

// The system's serial ports, noting why the open of the current attempt failed: discovery may
// give up before it opens anything, and then no earlier failure may count.
struct NotingPorts : SerialPorts {
    explicit NotingPorts(SerialPorts& s) : system(s) {}
    std::unique_ptr<SerialPort> open(const Text& definition) override {
        std::unique_ptr<SerialPort> port = system.open(definition);
        failure = port ? PortFailure::None : system.lastFailure();
        return port;
    }
    PortFailure lastFailure() const override { return failure; }
    SerialPorts& system;
    PortFailure failure = PortFailure::None;
};

// Lets the calls on one handle in one at a time, in the order they came. A wait that gives way
// between its slices queues anew, so every call that came meanwhile goes first.
class Turns {
  public:
    void lock() {
        std::unique_lock<std::mutex> hold(mutex_);
        const std::uint64_t mine = next_++;
        changed_.wait(hold, [&] { return serving_ == mine; });
    }
    void unlock() {
        {
            const std::lock_guard<std::mutex> hold(mutex_);
            ++serving_;
        }
        changed_.notify_all();
    }

  private:
    std::mutex mutex_;
    std::condition_variable changed_;
    std::uint64_t next_ = 0;
    std::uint64_t serving_ = 0;
};

// The StatusCode of each thread's last call, so that a thread asking after its call gets its own
// whatever the others did meanwhile, and without waiting for the call in progress. Only threads
// whose last call was refused have an entry.
class Statuses {
  public:
    void set(int status) {
        const std::lock_guard<std::mutex> hold(mutex_);
        if (status < 0) {
            codes_.erase(std::this_thread::get_id());
        } else {
            codes_[std::this_thread::get_id()] = status;
        }
    }
    int get() const {
        const std::lock_guard<std::mutex> hold(mutex_);
        const auto found = codes_.find(std::this_thread::get_id());
        return found != codes_.end() ? found->second : -1;
    }

  private:
    mutable std::mutex mutex_;
    std::map<std::thread::id, int> codes_;
};

// How long a waiting call keeps the others out at a time.
constexpr std::uint32_t kGiveWayMs = 20;

// The port of this thread's last open that found the modem's port but could not open it.
thread_local std::string gFailedPort;

i2cmodem_result ResultOf(OpStatus status) {
    switch (status) {
        case OpStatus::Done:
            return I2CMODEM_OK;
        case OpStatus::Refused:
            return I2CMODEM_REFUSED;
        case OpStatus::NoAnswer:
            return I2CMODEM_NO_ANSWER;
        case OpStatus::NoModem:
            return I2CMODEM_NO_MODEM;
        case OpStatus::BadArgument:
            return I2CMODEM_BAD_ARGUMENT;
        case OpStatus::Incomplete:
            return I2CMODEM_INCOMPLETE;
        case OpStatus::Unexpected:
            return I2CMODEM_BAD_REPLY;
    }
    return I2CMODEM_BAD_REPLY;
}

// The modem's form of a 7-bit address, with the read bit as asked.
SlaveAddress Slave(unsigned address, bool read) {
    return {static_cast<std::uint8_t>(address << 1 | (read ? 1U : 0U)), 0};
}

bool SevenBit(unsigned address) {
    return address <= 0x7F;
}

// Copies bytes out to a caller's buffer of `size`, as many as fit.
void CopyOut(const std::vector<std::uint8_t>& bytes, std::uint8_t* data, std::size_t size,
             std::size_t* received) {
    const std::size_t n = std::min(bytes.size(), size);
    std::copy_n(bytes.begin(), n, data);  // touches no byte, and no buffer, when n is 0
    if (received != nullptr) {
        *received = n;
    }
}

}  // namespace

struct i2cmodem {
    explicit i2cmodem(std::optional<Text> given)
        : system(headless::MakeSystemPorts()),
          events(*system.clock),
          drivers(*system.libraries, std::move(given), found),
          serialPorts(*system.serialPorts),
          program(Ports{*system.clock, events, output, statusField, messages, stop, help, dialog,
                        opener, drivers, serialPorts}) {}
    ~i2cmodem() { CloseConnection(program); }

    // Drops the old port and finds the modem again: the prompt character answers, and the bus
    // clock is learnt for the limits of writes. A modem whose port does not open is told apart
    // by why: the user then looks for the program that holds it, or at the access rights.
    i2cmodem_result connect() {
        Program& p = program;
        p.port.reset();
        p.PortOpen = false;
        p.ModemFound = false;
        found.clear();
        serialPorts.failure = PortFailure::None;
        if (!p.driver) {
            LoadDriverLibrary(p);
        }
        if (ReconnectModem(p)) {
            suspect = false;
            ReadBusClock(p);
            return I2CMODEM_OK;
        }
        if (p.PortOpen) {
            return I2CMODEM_NO_ANSWER;
        }
        switch (serialPorts.failure) {
            case PortFailure::Busy:
                return I2CMODEM_PORT_BUSY;
            case PortFailure::NoPermission:
                return I2CMODEM_NO_PERMISSION;
            default:
                return I2CMODEM_NO_MODEM;
        }
    }

    // One operation, after finding the modem again if the last exchange failed.
    template <typename Operation>
    i2cmodem_result run(Operation operation, OpResult* out = nullptr) {
        statuses.set(-1);
        if (listening) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        if (suspect || !program.PortOpen) {
            if (const i2cmodem_result r = connect(); r != I2CMODEM_OK) {
                suspect = true;
                return r;
            }
        }
        const OpResult r = operation(program);
        return note(r, out);
    }

    i2cmodem_result note(const OpResult& r, OpResult* out) {
        if (r.status == OpStatus::Refused) {
            statuses.set(r.code);
        }
        if (!Answered(r)) {
            suspect = true;
        }
        if (out != nullptr) {
            *out = r;
        }
        return ResultOf(r.status);
    }

    headless::SystemPorts system;
    headless::LineWaits events;
    MemoryOutputArea output;
    headless::NoStatus statusField;
    NoMessages messages;
    headless::NoStopButton stop;
    headless::NoHelpWindow help;
    headless::NoFileDialog dialog;
    headless::NoOpener opener;
    Text found;
    Drivers drivers;
    NotingPorts serialPorts;
    Program program;
    bool suspect = false;
    bool listening = false;
    Statuses statuses;
    Turns turns;
    std::set<std::string> portNames;  // every name handed out stays valid until the close
};

namespace {

// Every call takes its turn on the handle and stays inside the C boundary: a failed allocation
// is a result, not an exception.
template <typename Body>
i2cmodem_result Guarded(i2cmodem* h, Body body) {
    if (h == nullptr) {
        return I2CMODEM_BAD_ARGUMENT;
    }
    try {
        const std::lock_guard<Turns> turn(h->turns);
        return body(*h);
    } catch (const std::bad_alloc&) {
        return I2CMODEM_NO_MEMORY;
    }
}

// A wait of up to timeoutMs as a row of calls of kGiveWayMs each, so that the calls of other
// threads come in between; a slice's NO_DATA means waiting on.
template <typename Slice>
i2cmodem_result SlicedWait(i2cmodem* h, unsigned timeoutMs, Slice slice) {
    if (h == nullptr) {
        return I2CMODEM_BAD_ARGUMENT;
    }
    Clock& clock = *h->system.clock;
    const Tick start = clock.ticks();
    for (;;) {
        const Tick passed = clock.ticks() - start;
        const std::uint32_t left = timeoutMs - std::min<std::uint32_t>(passed, timeoutMs);
        const i2cmodem_result r =
            Guarded(h, [&](i2cmodem& held) { return slice(held, std::min(left, kGiveWayMs)); });
        if (r != I2CMODEM_NO_DATA || left <= kGiveWayMs) {
            return r;
        }
    }
}

i2cmodem_result Write(i2cmodem& h, unsigned address, const uint8_t* data, size_t count) {
    if (count == 0) {
        return I2CMODEM_NOT_SUPPORTED;
    }
    if (!SevenBit(address) || data == nullptr || count > kLargestWrite) {
        return I2CMODEM_BAD_ARGUMENT;
    }
    return h.run([&](Program& p) {
        return WriteSlave(p, Slave(address, false), std::span(data, count), Text{});
    });
}

i2cmodem_result Read(i2cmodem& h, unsigned address, uint8_t* data, size_t count, size_t* received) {
    if (count == 0) {
        return I2CMODEM_NOT_SUPPORTED;
    }
    if (!SevenBit(address) || data == nullptr || count > kLargestRead) {
        return I2CMODEM_BAD_ARGUMENT;
    }
    OpResult r;
    const i2cmodem_result result = h.run(
        [&](Program& p) {
            return ReadSlave(p, Slave(address, true), static_cast<std::uint8_t>(count), {});
        },
        &r);
    if (result == I2CMODEM_OK) {
        CopyOut(r.data, data, count, received);
    }
    return result;
}

}  // namespace

extern "C" {

i2cmodem_result i2cmodem_open(const char* port, i2cmodem** handle) {
    if (handle == nullptr) {
        return I2CMODEM_BAD_ARGUMENT;
    }
    *handle = nullptr;
    try {
        std::optional<Text> given;
        if (port != nullptr && *port != '\0') {
            given = headless::GivenPortName(port);
            if (!given) {
                return I2CMODEM_BAD_ARGUMENT;
            }
        }
        gFailedPort.clear();
        auto h = std::make_unique<i2cmodem>(std::move(given));
        if (const i2cmodem_result r = h->connect(); r != I2CMODEM_OK) {
            if (r == I2CMODEM_PORT_BUSY || r == I2CMODEM_NO_PERMISSION) {
                gFailedPort = utf8(h->found);
            }
            return r;
        }
        *handle = h.release();
        return I2CMODEM_OK;
    } catch (const std::bad_alloc&) {
        return I2CMODEM_NO_MEMORY;
    }
}

void i2cmodem_close(i2cmodem* handle) {
    if (handle != nullptr && handle->listening) {
        StopListening(handle->program);
    }
    delete handle;
}

const char* i2cmodem_failed_port(void) {
    return gFailedPort.c_str();
}

const char* i2cmodem_port(i2cmodem* handle) {
    if (handle == nullptr) {
        return "";
    }
    try {
        const std::lock_guard<Turns> turn(handle->turns);
        return handle->program.PortOpen
                   ? handle->portNames.insert(utf8(handle->found)).first->c_str()
                   : "";
    } catch (const std::bad_alloc&) {
        return "";
    }
}

int i2cmodem_status(const i2cmodem* handle) {
    return handle != nullptr ? handle->statuses.get() : -1;
}

const char* i2cmodem_status_text(int status) {
    // Built once, read-only afterwards, so any thread may ask.
    static const std::array<std::string, 256> kTexts = [] {
        std::array<std::string, 256> texts;
        for (std::size_t code = 0; code < texts.size(); ++code) {
            texts[code] = utf8(StatusText(static_cast<std::uint8_t>(code)));
        }
        return texts;
    }();
    return status >= 0 && status <= 255 ? kTexts[static_cast<std::size_t>(status)].c_str()
                                        : kTexts[0].c_str();
}

const char* i2cmodem_result_text(i2cmodem_result result) {
    switch (result) {
        case I2CMODEM_OK:
            return "OK";
        case I2CMODEM_REFUSED:
            return "Das Modem hat abgelehnt";
        case I2CMODEM_NO_ANSWER:
            return "Modem antwortet nicht!";
        case I2CMODEM_NO_MODEM:
            return "Es ist kein Modem angeschlossen!!";
        case I2CMODEM_BAD_ARGUMENT:
            return "Ungültiges Argument";
        case I2CMODEM_NOT_SUPPORTED:
            return "Das kann das Modem nicht";
        case I2CMODEM_INCOMPLETE:
            return "Daten sind unvollständig!";
        case I2CMODEM_BAD_REPLY:
            return "Unerwartete Antwort des Modems";
        case I2CMODEM_NO_DATA:
            return "Keine Daten";
        case I2CMODEM_NO_MEMORY:
            return "Kein Speicher";
        case I2CMODEM_PORT_BUSY:
            return "Kann das Modem-Protokoll nicht starten: die Schnittstelle ist belegt";
        case I2CMODEM_NO_PERMISSION:
            return "Kann das Modem-Protokoll nicht starten: keine Berechtigung für die "
                   "Schnittstelle";
    }
    return "Unbekanntes Ergebnis";
}

i2cmodem_result i2cmodem_write(i2cmodem* handle, unsigned address, const uint8_t* data,
                               size_t count) {
    return Guarded(handle, [&](i2cmodem& h) { return Write(h, address, data, count); });
}

i2cmodem_result i2cmodem_read(i2cmodem* handle, unsigned address, uint8_t* data, size_t count,
                              size_t* received) {
    if (received != nullptr) {
        *received = 0;
    }
    return Guarded(handle, [&](i2cmodem& h) { return Read(h, address, data, count, received); });
}

i2cmodem_result i2cmodem_write_read(i2cmodem* handle, unsigned address, const uint8_t* out,
                                    size_t out_count, uint8_t* in, size_t in_count,
                                    size_t* received) {
    if (received != nullptr) {
        *received = 0;
    }
    return Guarded(handle, [&](i2cmodem& h) {
        const i2cmodem_result written = Write(h, address, out, out_count);
        return written == I2CMODEM_OK ? Read(h, address, in, in_count, received) : written;
    });
}

i2cmodem_result i2cmodem_get_line(i2cmodem* handle, i2cmodem_line line, int* level) {
    return Guarded(handle, [&](i2cmodem& h) {
        if (level == nullptr || line < I2CMODEM_LINE_SDA || line > I2CMODEM_LINE_INT) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        OpResult r;
        const i2cmodem_result result = h.run(ReadLines, &r);
        if (result == I2CMODEM_OK) {
            *level = (r.data[0] >> static_cast<int>(line)) & 1;
        }
        return result;
    });
}

i2cmodem_result i2cmodem_set_line(i2cmodem* handle, i2cmodem_line line, int level) {
    return Guarded(handle, [&](i2cmodem& h) {
        if (line < I2CMODEM_LINE_SDA || line > I2CMODEM_LINE_INT || (level != 0 && level != 1)) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        const BusLine lines[] = {BusLine::Sda, BusLine::Scl, BusLine::Int};
        return h.run(
            [&](Program& p) { return SetLine(p, lines[static_cast<int>(line)], level == 1); });
    });
}

i2cmodem_result i2cmodem_get_pullups(i2cmodem* handle, int* on) {
    return Guarded(handle, [&](i2cmodem& h) {
        if (on == nullptr) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        OpResult r;
        const i2cmodem_result result = h.run(ReadPullups, &r);
        if (result == I2CMODEM_OK) {
            *on = (r.data[0] & 0x80) != 0 ? 1 : 0;
        }
        return result;
    });
}

i2cmodem_result i2cmodem_set_pullups(i2cmodem* handle, int on) {
    return Guarded(handle, [&](i2cmodem& h) {
        return h.run([&](Program& p) { return SetPullups(p, on != 0); });
    });
}

i2cmodem_result i2cmodem_get_clock(i2cmodem* handle, int32_t* hertz) {
    return Guarded(handle, [&](i2cmodem& h) {
        if (hertz == nullptr) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        const i2cmodem_result result = h.run(ReadBusClock);
        if (result == I2CMODEM_OK) {
            *hertz = h.program.busClock;
        }
        return result;
    });
}

i2cmodem_result i2cmodem_set_clock(i2cmodem* handle, int32_t hertz, int32_t* actual) {
    return Guarded(handle, [&](i2cmodem& h) {
        const i2cmodem_result set = h.run([&](Program& p) { return SetBusClock(p, hertz); });
        if (set != I2CMODEM_OK || actual == nullptr) {
            return set;
        }
        const i2cmodem_result got = h.run(ReadBusClock);
        if (got == I2CMODEM_OK) {
            *actual = h.program.busClock;
        }
        return got;
    });
}

i2cmodem_result i2cmodem_version(i2cmodem* handle, int* hundredths) {
    return Guarded(handle, [&](i2cmodem& h) {
        if (hundredths == nullptr) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        OpResult r;
        const i2cmodem_result result = h.run(ReadVersion, &r);
        if (result == I2CMODEM_OK) {
            *hundredths =
                signedByte(r.data[0]) * 100 + signedByte(r.data[1]) * 10 + signedByte(r.data[2]);
        }
        return result;
    });
}

i2cmodem_result i2cmodem_set_filter(i2cmodem* handle, unsigned address) {
    return Guarded(handle, [&](i2cmodem& h) {
        if (!SevenBit(address)) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        return h.run([&](Program& p) { return SetFilter(p, Slave(address, false)); });
    });
}

i2cmodem_result i2cmodem_listen(i2cmodem* handle, unsigned time, uint8_t* data, size_t size,
                                size_t* received) {
    if (received != nullptr) {
        *received = 0;
    }
    return Guarded(handle, [&](i2cmodem& h) {
        if (time < 1 || time > 255 || (data == nullptr && size > 0)) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        OpResult r;
        const i2cmodem_result result =
            h.run([&](Program& p) { return ListenFor(p, static_cast<std::uint8_t>(time)); }, &r);
        if (result == I2CMODEM_OK || result == I2CMODEM_INCOMPLETE) {
            CopyOut(r.data, data, size, received);
        }
        return result;
    });
}

i2cmodem_result i2cmodem_listen_start(i2cmodem* handle) {
    return Guarded(handle, [&](i2cmodem& h) {
        const i2cmodem_result result = h.run(StartListening);
        h.listening = result == I2CMODEM_OK;
        return result;
    });
}

i2cmodem_result i2cmodem_listen_read(i2cmodem* handle, uint8_t* data, size_t size, size_t* received,
                                     unsigned timeout_ms) {
    if (received != nullptr) {
        *received = 0;
    }
    return SlicedWait(handle, timeout_ms, [&](i2cmodem& h, std::uint32_t slice) {
        if (!h.listening || data == nullptr || size == 0) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        Program& p = h.program;
        CommandWait(p, slice, 1);
        const std::vector<std::uint8_t> bytes = ListenedBytes(p, size);
        CopyOut(bytes, data, size, received);
        return bytes.empty() ? I2CMODEM_NO_DATA : I2CMODEM_OK;
    });
}

i2cmodem_result i2cmodem_listen_stop(i2cmodem* handle) {
    return Guarded(handle, [&](i2cmodem& h) {
        if (!h.listening) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        StopListening(h.program);
        h.listening = false;
        return I2CMODEM_OK;
    });
}

i2cmodem_result i2cmodem_table_load(i2cmodem* handle, unsigned address, unsigned count) {
    return Guarded(handle, [&](i2cmodem& h) {
        if (!SevenBit(address) || count > 0xFF) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        return h.run([&](Program& p) {
            return LoadTable(p, Slave(address, true), static_cast<std::uint8_t>(count));
        });
    });
}

i2cmodem_result i2cmodem_table_clear(i2cmodem* handle) {
    return Guarded(handle, [&](i2cmodem& h) { return h.run(ClearTable); });
}

i2cmodem_result i2cmodem_monitor(i2cmodem* handle, int on) {
    return Guarded(handle, [&](i2cmodem& h) {
        return h.run([&](Program& p) { return SetMonitoring(p, on != 0); });
    });
}

i2cmodem_result i2cmodem_wait_interrupt(i2cmodem* handle, unsigned timeout_ms,
                                        i2cmodem_event* event) {
    return SlicedWait(handle, timeout_ms, [&](i2cmodem& h, std::uint32_t slice) {
        if (event == nullptr) {
            return I2CMODEM_BAD_ARGUMENT;
        }
        *event = {};
        bool came = true;
        OpResult r;
        const i2cmodem_result result = h.run(
            [&](Program& p) {
                CommandWait(p, slice, kFrameStartBytes);
                came = WaitingBytes(p) >= kFrameStartBytes;
                if (!came) {
                    return OpResult{};
                }
                const OpResult notice = ReceiveInterruptNotice(p);
                return notice.ok() ? ReceiveInterruptData(p) : notice;
            },
            &r);
        if (!came) {
            return I2CMODEM_NO_DATA;
        }
        if (result == I2CMODEM_OK) {
            event->address = static_cast<std::uint8_t>(r.data[0] >> 1);
            const std::size_t n = std::min(r.data.size() - 2, sizeof event->data);
            std::copy_n(r.data.begin() + 2, n, event->data);
            event->count = static_cast<std::uint8_t>(n);
        }
        return result;
    });
}

}  // extern "C"
