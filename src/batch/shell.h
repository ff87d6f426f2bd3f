#pragma once
// The interactive side of the batch program, for a terminal on standard input: line editing with
// GNU Readline, a history kept in the user's state directory, and completion of command words.

#include <optional>
#include <string>

namespace i2ct::batch {

class Shell {
  public:
    // Loads the history, when its directory is the user's own.
    Shell();
    // Saves the history.
    ~Shell();
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    // One line, edited behind the prompt; nothing at the end of the input (Ctrl-D).
    std::optional<std::string> readLine(const std::string& prompt);

  private:
    std::string history_;  // empty: no history is kept
};

}  // namespace i2ct::batch
