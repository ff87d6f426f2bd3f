#pragma once
// The terminal's spine: start-up, the event loop with its periodic work, and shut-down.

#include "core/program.h"
#include "interpreter/dispatch.h"

namespace i2ct {

class Terminal {
  public:
    explicit Terminal(Ports ports);

    // Start-up in its order: status "Offline", driver library, modem, 500 ms pause (the window
    // paints, input is dropped), version
    // and bus clock, focus to the output area, LastExchangeTime.
    void startUp();
    // One pass of the event loop: waits for a window event until the next of the loop's
    // deadlines and acts on it, then the message timeout, the connection timer and interrupt
    // monitoring. False after a close event.
    bool runPass();
    // Releases the driver and the serial port.
    void shutDown();

    // Start-up, the loop until the window is closed, shut-down; the exit code.
    int run();

    Program& program() { return program_; }
    const Program& program() const { return program_; }

    // Milliseconds until the keep-alive, the message clearing or the blink is due; a front end
    // that waits elsewhere between passes, as the batch program for its input, runs one then.
    std::uint32_t nextDeadlineIn();

  private:
    void showHelp();

    Program program_;
    CommandHandlers handlers_;
};

}  // namespace i2ct
