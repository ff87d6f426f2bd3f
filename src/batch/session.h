#pragma once
// One run of the terminal without a window: its start-up, then command lines typed one at a time
// behind the prompt, each with the console lines and the messages it brought and whether it
// failed. The commands that only batch mode has, SCAN, DUMP, EXPECT and SLEEP, are made of the
// terminal's own.

#include <cstdint>
#include <vector>

#include "app/terminal.h"
#include "batch/batch_ports.h"
#include "platform/memory_output_area.h"

namespace i2ct::batch {

struct Outcome {
    std::vector<Text> lines;  // what the console showed below the typed line
    std::vector<MessageLog::Entry> messages;
    // Refused by the argument checks or the modem, or without an answer.
    bool failed = false;
    OpStatus failure = OpStatus::Done;  // the first failed operation's result
};

// The command words, the window's and batch mode's, for completion and the help text.
const std::vector<const char*>& CommandWords();

class Session {
  public:
    Session(Clock& clock, LibraryLoader& libraries, SerialPorts& serialPorts);

    // The window's start-up: the version and bus clock lines. Failed when no modem answers.
    Outcome start();
    // One command line as the user types it behind the prompt character.
    Outcome run(const Text& line);
    // Releases the modem.
    void finish() { terminal_.shutDown(); }

    const Text& prompt() const { return terminal_.program().PromptChar; }

  private:
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

    LineWaits events_;
    MemoryOutputArea output_;
    NoStatus status_;
    MessageLog messages_;
    NoStopButton stop_;
    NoHelpWindow help_;
    NoFileDialog dialog_;
    NoOpener opener_;
    Terminal terminal_;
    std::vector<std::uint8_t> lastRead_;
    bool read_ = false;
};

}  // namespace i2ct::batch
