#pragma once
// One run of the terminal without a window: its start-up, then command lines typed one at a time
// behind the prompt, each with the console lines and the messages it brought and whether it
// failed. The commands that only batch mode has, SCAN, DUMP, EXPECT and SLEEP, are made of the
// terminal's own.

#include <cstdint>
#include <functional>
#include <vector>

#include "app/terminal.h"
#include "headless/ports.h"
#include "platform/memory_output_area.h"

namespace i2ct::batch {

struct Outcome {
    std::vector<Text> lines;  // what the console showed below the typed line
    std::vector<headless::MessageLog::Entry> messages;
    // Refused by the argument checks or the modem, or without an answer.
    bool failed = false;
    OpStatus failure = OpStatus::Done;  // the first failed operation's result
    // "Online" or "Offline" when the connection to the modem came or went meanwhile.
    Text status = {};
};

// The command words, the window's and batch mode's, for completion and the help text.
const std::vector<const char*>& CommandWords();

class Session;

// The waits of the session's terminal: a LISTEN's waits also hand on the lines it printed so far.
class SessionWaits : public headless::LineWaits {
  public:
    SessionWaits(Clock& clock, Session& session) : LineWaits(clock), session_(session) {}
    WindowEvent waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) override;

  private:
    Session& session_;
};

class Session {
  public:
    // Lines that a command prints while it runs on (LISTEN without a time limit) go to live as
    // they come, and are not in the command's outcome again.
    Session(Clock& clock, LibraryLoader& libraries, SerialPorts& serialPorts,
            std::function<void(const Text&)> live);

    // The window's start-up: the version and bus clock lines. Failed when no modem answers.
    Outcome start();
    // One command line as the user types it behind the prompt character. A port that has gone
    // is given up first, and a modem that is not connected is looked for, since the loop's
    // keep-alive may not have run since. A command during which the port went has failed.
    Outcome run(const Text& line);

    // While the program waits for its next line: how long it may wait before the loop's
    // periodic work is due, and the port's descriptor (-1: none) that ends the wait when it
    // hangs up or, while interrupts are watched, has bytes.
    struct IdleWait {
        std::uint32_t ms;
        int port;
        bool arrivals;
    };
    IdleWait idleWait();
    // The loop's periodic work while the program waits: the keep-alive, or the search for the
    // modem while it is gone, message clearing, interrupt monitoring. A port that has hung up,
    // or stirred unasked, is dealt with at once.
    Outcome idle(bool portStirred);
    const Text& prompt() const { return terminal_.program().PromptChar; }

  private:
    friend class SessionWaits;
    // Hands the finished lines of the running command that were not yet handed on to live.
    void showLive();
    // A command of the terminal's own, typed into the console.
    Outcome type(const Text& line);
    // The console lines from `from` on, without the bare prompt lines, and the messages.
    Outcome since(LineIndex from);
    Outcome scan();
    Outcome dump(const Text& arguments);
    Outcome expect(const Text& arguments);
    Outcome sleep(const Text& arguments);
    // RD of count bytes at the address; the bytes, or nothing with the outcome that says why.
    bool read(const Text& address, int count, std::vector<std::uint8_t>& bytes, Outcome& why);
    Outcome command(const Text& line);
    // Gives up a port whose device has gone, which the port may notice only when asked.
    void dropDeadPort();
    // The outcome of the work since the console line from, with the connection's change, if any.
    Outcome settled(LineIndex from);

    SessionWaits events_;
    MemoryOutputArea output_;
    headless::NoStatus status_;
    headless::MessageLog messages_;
    headless::NoStopButton stop_;
    headless::NoHelpWindow help_;
    headless::NoFileDialog dialog_;
    headless::NoOpener opener_;
    Terminal terminal_;
    std::function<void(const Text&)> live_;
    LineIndex shown_ = 0;  // the first line of the running command not yet handed to live
    std::vector<std::uint8_t> lastRead_;
    bool read_ = false;
    bool online_ = false;  // the connection as last reported
};

}  // namespace i2ct::batch
