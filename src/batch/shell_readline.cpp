#include "batch/shell.h"

#include <readline/history.h>
#include <readline/readline.h>
#include <sys/stat.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "batch/session.h"
#include "platform/linux/device_files.h"

namespace i2ct::batch {
namespace {

constexpr int kHistoryLines = 1000;

// Makes the directory and its missing parents, for the user alone.
void MakeDirectories(const std::string& path) {
    for (std::size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1)) {
        mkdir(path.substr(0, at).c_str(), 0700);
    }
    mkdir(path.c_str(), 0700);
}

// $XDG_STATE_HOME/i2c-terminal, or ~/.local/state/i2c-terminal: made for the user alone, and
// used only when nobody else may write it.
std::string FindHistoryFile() {
    const char* state = std::getenv("XDG_STATE_HOME");
    const char* home = std::getenv("HOME");
    std::string directory;
    if (state != nullptr && state[0] == '/') {
        directory = state;
    } else if (home != nullptr && home[0] == '/') {
        directory = std::string(home) + "/.local/state";
    } else {
        return {};
    }
    directory += "/i2c-terminal";
    MakeDirectories(directory);
    std::string why;
    return linux_platform::TrustedDirectory(directory, why) ? directory + "/batch_history"
                                                            : std::string();
}

// Empty: no history is kept.
const std::string& HistoryFile() {
    static const std::string file = FindHistoryFile();
    return file;
}

char* NextWord(const char* typed, int state) {
    static std::size_t next = 0;
    if (state == 0) {
        next = 0;
    }
    const std::vector<const char*>& words = CommandWords();
    const std::size_t length = std::strlen(typed);
    while (next < words.size()) {
        const char* word = words[next++];
        if (strncasecmp(word, typed, length) == 0) {
            return strdup(word);
        }
    }
    return nullptr;
}

char** Complete(const char* typed, int, int) {
    rl_attempted_completion_over = true;  // command words only, never file names
    return rl_completion_matches(typed, NextWord);
}

// The line that Readline handed over, for readLine to take; set by the callback below.
struct Typed {
    bool done = false;
    std::optional<std::string> line;
};
Typed gTyped;

void OnLine(char* line) {
    struct Free {
        void operator()(char* text) const { std::free(text); }
    };
    const std::unique_ptr<char, Free> owned(line);
    gTyped.done = true;
    gTyped.line = line != nullptr ? std::optional<std::string>(line) : std::nullopt;
    rl_callback_handler_remove();
}

}  // namespace

Shell::Shell() {
    rl_readline_name = "i2c-batch";
    rl_attempted_completion_function = Complete;
    using_history();
    stifle_history(kHistoryLines);
    if (!HistoryFile().empty()) {
        read_history(HistoryFile().c_str());
    }
}

Shell::~Shell() {
    if (!HistoryFile().empty() && write_history(HistoryFile().c_str()) == 0) {
        chmod(HistoryFile().c_str(), 0600);
    }
}

// Readline's callback interface, one key at a time, so that the waits between keys can do the
// program's periodic work.
std::optional<std::string> Shell::readLine(const std::string& prompt,
                                           const std::function<bool()>& wait) {
    gTyped = {};
    rl_callback_handler_install(prompt.c_str(), OnLine);
    while (!gTyped.done) {
        if (wait()) {
            rl_callback_read_char();
            continue;
        }
        // Ctrl-C: as in other shells, the line goes and a fresh prompt comes. So does a count
        // begun with M-digit, whose "(arg: N)" stands in for the prompt: the handler starts anew.
        rl_free_line_state();
        rl_callback_sigcleanup();
        rl_callback_handler_remove();
        rl_crlf();
        rl_callback_handler_install(prompt.c_str(), OnLine);
    }
    const std::optional<std::string> text = std::move(gTyped.line);
    if (text && text->find_first_not_of(' ') != std::string::npos) {
        add_history(text->c_str());
    }
    return text;
}

void Shell::printAbove(const std::function<void()>& print) {
    const bool editing = (RL_ISSTATE(RL_STATE_CALLBACK) != 0) && !gTyped.done;
    if (editing) {
        rl_clear_visible_line();
    }
    print();
    if (editing) {
        rl_forced_update_display();
    }
}

}  // namespace i2ct::batch
