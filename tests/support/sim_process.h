#pragma once
// Runs the real i2c-modem-sim for tests and benchmarks: control lines go to its standard input,
// its answers come back from its standard output.

#include <cstdio>
#include <string>
#include <vector>

namespace i2ct::test {

class SimProcess {
  public:
    // Starts it with runtimeDir as its XDG_RUNTIME_DIR, where it announces itself, and waits for
    // its first "port" line. The destructor ends its standard input: it unplugs and exits.
    SimProcess(const std::string& binary, const std::string& runtimeDir,
               const std::vector<std::string>& arguments = {});
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // Sends one control line and returns its "ok" or "error" answer.
    std::string send(const std::string& command);
    // The pty of the latest "port" line.
    const std::string& port() const { return port_; }

  private:
    std::string line();

    int pid_;
    std::FILE* toChild_;
    std::FILE* fromChild_;
    std::string port_;
};

}  // namespace i2ct::test
