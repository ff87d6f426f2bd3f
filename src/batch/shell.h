#pragma once
// The interactive side of the batch program, for a terminal on standard input. On Linux: line
// editing with GNU Readline, a history kept in the user's state directory, and completion of
// command words. On Windows: the console's own line editing and history.

#include <functional>
#include <optional>
#include <string>

namespace i2ct::batch {

class Shell {
  public:
    // Loads the history, when its directory is the user's own (Linux).
    Shell();
    // Saves the history (Linux).
    ~Shell();
    Shell(const Shell&) = delete;
    Shell& operator=(const Shell&) = delete;

    // One line, edited behind the prompt; nothing at the end of the input (Ctrl-D, on Windows
    // Ctrl-Z or Ctrl-C). Before each key, wait blocks until one may be read; when it returns
    // false (Ctrl-C came instead), the line typed so far is dropped (on Windows the shell ends).
    std::optional<std::string> readLine(const std::string& prompt,
                                        const std::function<bool()>& wait);
    // Lets print write whole lines while a line is being edited; the edited line comes back
    // below them.
    void printAbove(const std::function<void()>& print);
};

}  // namespace i2ct::batch
