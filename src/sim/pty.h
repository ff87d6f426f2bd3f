#pragma once
// A pseudo-terminal whose slave side stands in for the modem's serial port.

#include <optional>
#include <string>

namespace i2ct::sim {

class PseudoTerminal {
  public:
    // A new pty in raw mode with a non-blocking master, or nothing (with the reason in `error`).
    static std::optional<PseudoTerminal> create(std::string& error);

    PseudoTerminal(PseudoTerminal&& other) noexcept;
    PseudoTerminal& operator=(PseudoTerminal&&) = delete;
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    // Closing both sides hangs up whoever has the slave open, as pulling the USB plug would.
    ~PseudoTerminal();

    int master() const { return master_; }
    const std::string& path() const { return path_; }

  private:
    PseudoTerminal(int master, int slave, std::string path)
        : master_(master), slave_(slave), path_(std::move(path)) {}

    int master_;
    // Held open so that the master does not see a hang-up each time the terminal closes the
    // port; nothing is ever read from it.
    int slave_;
    std::string path_;
};

}  // namespace i2ct::sim
