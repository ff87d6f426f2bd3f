// The real i2c-modem-sim program: its pty, its device file and its control channel.

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/linux/device_files.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

// Generous: the machine may be busy, and every wait ends as soon as its condition holds.
constexpr std::chrono::milliseconds kPatience{10'000};

int RemainingMs(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

// A private runtime directory, so the test sees only its own device files.
class RuntimeDir {
  public:
    RuntimeDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "i2ct-sim-XXXXXX").string();
        path_ = mkdtemp(pattern.data()) != nullptr ? pattern : std::string{};
    }
    ~RuntimeDir() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    const std::string& path() const { return path_; }
    std::vector<std::string> deviceFiles() const {
        std::vector<std::string> files;
        std::error_code error;
        for (const auto& entry :
             std::filesystem::directory_iterator(path_ + "/i2c-usb-modem", error)) {
            if (entry.path().extension() == ".device") {
                files.push_back(entry.path().string());
            }
        }
        return files;
    }

  private:
    std::string path_;
};

class SimProcess {
  public:
    SimProcess(const RuntimeDir& runtime, const std::vector<std::string>& options) {
        int in[2];
        int out[2];
        if (pipe(in) != 0 || pipe(out) != 0) {
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, in[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, in[1]);
        posix_spawn_file_actions_addclose(&actions, out[0]);

        std::vector<std::string> args{I2CT_MODEM_SIM};
        args.insert(args.end(), options.begin(), options.end());
        std::vector<char*> argv;
        for (std::string& a : args) {
            argv.push_back(a.data());
        }
        argv.push_back(nullptr);
        std::vector<std::string> env{"XDG_RUNTIME_DIR=" + runtime.path()};
        for (char** e = environ; *e != nullptr; ++e) {
            if (std::string_view(*e).rfind("XDG_RUNTIME_DIR=", 0) != 0) {
                env.emplace_back(*e);
            }
        }
        std::vector<char*> envp;
        for (std::string& e : env) {
            envp.push_back(e.data());
        }
        envp.push_back(nullptr);
        if (posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) {
            pid_ = -1;
        }
        posix_spawn_file_actions_destroy(&actions);
        close(in[0]);
        close(out[1]);
        input_ = in[1];
        output_ = out[0];
    }

    ~SimProcess() {
        if (input_ >= 0) {
            close(input_);
        }
        if (output_ >= 0) {
            close(output_);
        }
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    bool started() const { return pid_ > 0; }
    pid_t pid() const { return pid_; }

    void send(const std::string& line) {
        const std::string text = line + "\n";
        ASSERT_EQ(write(input_, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    }
    void closeInput() {
        close(input_);
        input_ = -1;
    }

    // The next line on standard output, or nothing when none came in time.
    std::optional<std::string> line() {
        const auto deadline = Clock::now() + kPatience;
        for (;;) {
            const std::size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string text = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return text;
            }
            if (!readMore(deadline)) {
                return std::nullopt;
            }
        }
    }

    // Waits for the end of standard output and the exit status.
    std::optional<int> exitStatus() {
        const auto deadline = Clock::now() + kPatience;
        while (readMore(deadline)) {
        }
        if (RemainingMs(deadline) == 0) {
            return std::nullopt;
        }
        int status = 0;
        if (waitpid(pid_, &status, 0) != pid_) {
            return std::nullopt;
        }
        exited_ = true;
        return WIFEXITED(status) ? std::optional<int>(WEXITSTATUS(status)) : std::nullopt;
    }

  private:
    // False at the end of the output or at the deadline.
    bool readMore(Clock::time_point deadline) {
        pollfd fd{output_, POLLIN, 0};
        if (poll(&fd, 1, RemainingMs(deadline)) <= 0) {
            return false;
        }
        char chunk[512];
        const ssize_t n = read(output_, chunk, sizeof chunk);
        if (n <= 0) {
            return false;
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int input_ = -1;
    int output_ = -1;
    bool exited_ = false;
    std::string buffer_;
};

// The serial side, as the terminal opens it.
class Port {
  public:
    explicit Port(const std::string& path)
        : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios settings{};
        if (fd_ >= 0 && tcgetattr(fd_, &settings) == 0) {
            cfmakeraw(&settings);
            tcsetattr(fd_, TCSANOW, &settings);
        }
    }
    ~Port() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    bool isOpen() const { return fd_ >= 0; }

    // Sends the request and collects `n` answer bytes, or what came until the deadline.
    Bytes exchange(const Bytes& request, std::size_t n) {
        if (write(fd_, request.data(), request.size()) != static_cast<ssize_t>(request.size())) {
            return {};
        }
        const auto deadline = Clock::now() + kPatience;
        Bytes answer;
        while (answer.size() < n) {
            pollfd fd{fd_, POLLIN, 0};
            if (poll(&fd, 1, RemainingMs(deadline)) <= 0 || (fd.revents & POLLIN) == 0) {
                break;
            }
            std::uint8_t chunk[64];
            const ssize_t got = read(fd_, chunk, sizeof chunk);
            if (got <= 0) {
                break;
            }
            answer.insert(answer.end(), chunk, chunk + got);
        }
        return answer;
    }

    // True once the other side has gone: the pty hangs up.
    bool hungUp() {
        pollfd fd{fd_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(kPatience.count())) <= 0) {
            return false;
        }
        std::uint8_t byte;
        return (fd.revents & (POLLHUP | POLLERR)) != 0 || read(fd_, &byte, 1) <= 0;
    }

  private:
    int fd_;
};

std::string PortOf(const std::optional<std::string>& line) {
    return line && line->rfind("port ", 0) == 0 ? line->substr(5) : std::string{};
}

const Bytes kVersionRequest{0x11, 0x00, 0x04};

TEST(ModemSimProgram, OffersTheModemOnAPtyAndFollowsItsControlChannel) {
    RuntimeDir runtime;
    ASSERT_FALSE(runtime.path().empty());
    SimProcess sim(runtime, {});
    ASSERT_TRUE(sim.started());

    const std::string first = PortOf(sim.line());
    ASSERT_FALSE(first.empty());
    const std::string deviceFile =
        runtime.path() + "/i2c-usb-modem/i2c-modem-sim-" + std::to_string(sim.pid()) + ".device";
    const auto announced = i2ct::linux_platform::ReadDeviceFile(deviceFile);
    ASSERT_TRUE(announced.has_value());
    EXPECT_EQ(announced->description, "I2C <> USB Modem  Selmur & Vusk");
    EXPECT_EQ(announced->port, first);

    Port port(first);
    ASSERT_TRUE(port.isOpen());
    EXPECT_EQ(port.exchange(kVersionRequest, 6), (Bytes{0x1A, 0x03, 0x02, 0x02, 0x00, 0x04}));

    sim.send("unplug");
    EXPECT_EQ(sim.line(), "ok");
    EXPECT_TRUE(runtime.deviceFiles().empty());
    EXPECT_TRUE(port.hungUp());

    sim.send("plug");
    const std::string second = PortOf(sim.line());
    ASSERT_FALSE(second.empty());
    EXPECT_EQ(sim.line(), "ok");
    const auto replugged = i2ct::linux_platform::ReadDeviceFile(deviceFile);
    ASSERT_TRUE(replugged.has_value());
    EXPECT_EQ(replugged->port, second);
    Port again(second);
    ASSERT_TRUE(again.isOpen());
    EXPECT_EQ(again.exchange({0x12, 0x00, 0x04}, 4), (Bytes{0x1A, 0x01, '#', 0x04}));

    sim.send("fly");
    const auto refused = sim.line();
    ASSERT_TRUE(refused.has_value());
    EXPECT_EQ(refused->rfind("error", 0), 0u);

    sim.send("quit");
    EXPECT_EQ(sim.line(), "ok");
    EXPECT_EQ(sim.exitStatus(), 0);
    EXPECT_TRUE(runtime.deviceFiles().empty());
}

TEST(ModemSimProgram, ReportsTheVersionPromptAndDescriptionItWasGiven) {
    RuntimeDir runtime;
    SimProcess sim(runtime, {"--description", "Other Modem", "--version", "1.23", "--prompt", ">"});
    ASSERT_TRUE(sim.started());
    const std::string path = PortOf(sim.line());
    ASSERT_FALSE(path.empty());
    const std::vector<std::string> files = runtime.deviceFiles();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(i2ct::linux_platform::ReadDeviceFile(files[0])->description, "Other Modem");
    Port port(path);
    EXPECT_EQ(port.exchange(kVersionRequest, 6), (Bytes{0x1A, 0x03, 0x01, 0x02, 0x03, 0x04}));
    EXPECT_EQ(port.exchange({0x12, 0x00, 0x04}, 4), (Bytes{0x1A, 0x01, '>', 0x04}));
}

TEST(ModemSimProgram, ControlCommandsTakeEffectBeforeTheirOk) {
    RuntimeDir runtime;
    SimProcess sim(runtime, {});
    const std::string path = PortOf(sim.line());
    ASSERT_FALSE(path.empty());
    Port port(path);
    sim.send("nak 0072 on");
    EXPECT_EQ(sim.line(), "ok");
    EXPECT_EQ(port.exchange({0x33, 0x03, 0x72, 0x00, 0x01, 0x04}, 4),
              (Bytes{0x49, 0x01, 0x20, 0x04}));
    sim.send("received");
    EXPECT_EQ(sim.line(), "ok 33 03 72 00 01 04");
}

TEST(ModemSimProgram, TerminationRemovesTheDeviceFile) {
    RuntimeDir runtime;
    SimProcess sim(runtime, {});
    ASSERT_FALSE(PortOf(sim.line()).empty());
    ASSERT_EQ(runtime.deviceFiles().size(), 1u);
    kill(sim.pid(), SIGTERM);
    EXPECT_EQ(sim.exitStatus(), 0);
    EXPECT_TRUE(runtime.deviceFiles().empty());
}

TEST(ModemSimProgram, EndOfStandardInputEndsItUnlessToldToKeepRunning) {
    RuntimeDir runtime;
    SimProcess ends(runtime, {});
    ASSERT_FALSE(PortOf(ends.line()).empty());
    ends.closeInput();
    EXPECT_EQ(ends.exitStatus(), 0);
    EXPECT_TRUE(runtime.deviceFiles().empty());

    SimProcess stays(runtime, {"--keep-running"});
    const std::string path = PortOf(stays.line());
    ASSERT_FALSE(path.empty());
    stays.closeInput();
    Port port(path);
    EXPECT_EQ(port.exchange(kVersionRequest, 6), (Bytes{0x1A, 0x03, 0x02, 0x02, 0x00, 0x04}));
    EXPECT_EQ(runtime.deviceFiles().size(), 1u);
    kill(stays.pid(), SIGINT);
    EXPECT_EQ(stays.exitStatus(), 0);
    EXPECT_TRUE(runtime.deviceFiles().empty());
}

}  // namespace
