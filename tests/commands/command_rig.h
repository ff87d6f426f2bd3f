#pragma once
// The terminal's core with a scripted modem on virtual time, for typing one command after
// another as the user does and looking at what each one wrote and sent.

#include <vector>

#include "core/program.h"
#include "interpreter/dispatch.h"
#include "rig.h"

namespace i2ct::test {

// The handlers of this subsystem and the bus commands behind their keywords.
CommandHandlers CommandSet();

struct CommandRig {
    CommandRig();

    // Runs a command typed behind a prompt character: on the prompt line the last command left,
    // or on a new one when that command ended with a line for the user to complete.
    void enter(const Text& command);
    // Types text at the insertion point, presses Enter and runs the line the tracker finds.
    void type(const Text& typed);
    // The lines of the output area from the one below the last command line on.
    std::vector<Text> reply() const;
    // Passes of the event loop until time t: the window wait and the monitoring step.
    void runLoopUntil(Tick t);
    // The message line texts shown since the last enter().
    std::vector<Text> messages() const;

    Rig rig;
    Program p{rig.ports()};
    LineIndex commandLine = 0;
    std::size_t messagesBefore = 0;
};

// How many of the texts (console lines, messages) begin with prefix.
inline std::size_t countStartingWith(const std::vector<Text>& texts, const Text& prefix) {
    std::size_t n = 0;
    for (const Text& t : texts) {
        n += t.rfind(prefix, 0) == 0 ? 1 : 0;
    }
    return n;
}

}  // namespace i2ct::test
