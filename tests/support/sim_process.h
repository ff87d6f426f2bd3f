#pragma once
// Runs the real i2c-modem-sim program for end-to-end tests and benchmarks: its control lines go
// to its standard input, and its "port" and "ok" lines are read back with a deadline.

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace i2ct::test {

class SimProcess {
  public:
    // Starts the simulator with the given arguments and its device files in runtimeDir (used as
    // XDG_RUNTIME_DIR, which the terminal's discovery reads too). Waits for its first port line.
    SimProcess(const std::string& binary, const std::string& runtimeDir,
               const std::vector<std::string>& arguments = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Sends one control line and waits for its "ok" (or "error") answer; returns that line.
    std::string send(const std::string& command);
    // The pty path from the latest "port" line.
    const std::string& port() const { return port_; }
    bool running() const { return pid_ > 0; }

  private:
    // Reads stdout lines until one starts with prefix; empty on timeout or end of output.
    std::string waitForLine(const std::string& prefix, std::chrono::milliseconds limit);

    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string buffer_;
    std::string port_;
};

}  // namespace i2ct::test
