// i2c-batch: the terminal's command language from files, a pipe or an interactive shell, without
// a window, on the same core and ports as the window.

#include <cstdio>
#include <cstring>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "batch/batch_system.h"
#include "batch/input_lines.h"
#include "batch/session.h"
#include "batch/shell.h"
#include "headless/system_ports.h"
#include "modem/connection.h"

namespace {

using namespace i2ct;

constexpr int kDone = 0;
constexpr int kRefused = 1;
constexpr int kNoModem = 2;

const char* const kHelp =
    "Aufruf: i2c-batch [OPTIONEN] [DATEI...]\n"
    "Führt Kommandos des I2C-Terminals ohne Fenster aus: aus den Dateien, sonst von der\n"
    "Standardeingabe, eine Zeile je Kommando, wie hinter dem Prompt-Zeichen getippt (das\n"
    "Prompt-Zeichen selbst darf fehlen). Leere Zeilen und Zeilen, die mit ; beginnen, werden\n"
    "übersprungen. Ist die Standardeingabe ein Terminal, arbeitet das Programm als Shell mit\n"
    "Zeilen-Editor, Verlauf und Ergänzung der Kommandowörter (Tabulator).\n"
    "\n"
    "Die Standardausgabe zeigt je Kommando die getippte Zeile und die Zeilen, die das Terminal\n"
    "dazu ausgibt; die Standardfehlerausgabe die Texte der Status-Zeile als Meldung oder Fehler.\n"
    "\n"
    "Optionen:\n"
    "  --port PFAD     die serielle Leitung des Modems, statt es zu suchen\n"
    "  --timestamps    jede Ausgabezeile beginnt mit den Millisekunden seit dem Start\n"
    "  --log DATEI     die Ausgabe zusätzlich in diese Datei schreiben\n"
    "  --keep-going    nach einem abgelehnten Kommando weitermachen\n"
    "  --help          dieser Text\n"
    "  --version       die Version\n"
    "\n"
    "Kommandos: die des Terminals (SET, GET, WR, RD, LISTEN, LDTB, CLTB, CHKINT), dazu:\n"
    "  SCAN                   liest ein Byte von jeder 7-Bit-Adresse 03..77 und zeigt, wer\n"
    "                         antwortet (Adresse im Format des Terminals und als 7-Bit-Adresse)\n"
    "  DUMP 0072 [100]        schreibt die Registeradresse 00 und liest ab dort Anzahl (hex,\n"
    "                         1..100) Bytes: Offset, Hex und ASCII\n"
    "  EXPECT 03 9E           vergleicht die Bytes des letzten RD mit diesen\n"
    "  SLEEP 500              wartet so viele Millisekunden; die Überwachung läuft weiter\n"
    "Strg-C beendet ein LISTEN ohne Zeitbegrenzung wie der STOP-Knopf.\n"
    "\n"
    "Rückgabewert: 0 alle Kommandos liefen und das Modem bestätigte sie; 1 ein Kommando wurde\n"
    "abgelehnt (Argumente oder Modem) oder blieb ohne Antwort, das Programm hört dort auf,\n"
    "außer mit --keep-going; 2 kein Modem gefunden, oder die Befehlszeile ist falsch.\n";

struct Options {
    std::string port;
    std::string log;
    bool timestamps = false;
    bool keepGoing = false;
    std::vector<std::string> files;
};

// The driver for --port: it lists the one given line as the modem.
class GivenPort : public LibraryLoader {
  public:
    GivenPort(LibraryLoader& system, Text port) : system_(system), port_(std::move(port)) {}
    Text currentDirectory() override { return system_.currentDirectory(); }
    char directorySeparator() override { return system_.directorySeparator(); }
    std::unique_ptr<DeviceDriver> load(const Text&) override { return GivenPortDriver(port_); }

  private:
    LibraryLoader& system_;
    Text port_;
};

// Standard output and error, each line also in the log and, if asked, behind its time.
class Output {
  public:
    Output(Clock& clock, bool timestamps)
        : clock_(clock), start_(clock.ticks()), stamps_(timestamps) {}

    // The log must be no link, and on Linux the user's own file: see OpenLog.
    bool openLog(const std::string& path) {
        log_.reset(batch::OpenLog(path));
        return log_ != nullptr;
    }

    void line(const Text& text, bool toScreen = true) { write(stdout, utf8(text), toScreen); }
    void message(const headless::MessageLog::Entry& m) {
        write(stderr, (m.error ? "Fehler: " : "Meldung: ") + utf8(m.text), true);
    }
    void outcome(const batch::Outcome& o) {
        for (const Text& l : o.lines) line(l);
        for (const auto& m : o.messages) message(m);
        if (!o.status.empty()) {
            write(stderr, "Status: " + utf8(o.status), true);
        }
    }

  private:
    void write(std::FILE* to, const std::string& text, bool toScreen) {
        std::string stamped = text;
        if (stamps_) {
            char stamp[16];
            std::snprintf(stamp, sizeof stamp, "%7u ",
                          static_cast<unsigned>(clock_.ticks() - start_));
            stamped.insert(0, stamp);
        }
        if (toScreen) {
            std::fprintf(to, "%s\n", stamped.c_str());
            std::fflush(to);
        }
        if (log_ != nullptr) {
            std::fprintf(log_.get(), "%s\n", stamped.c_str());
            std::fflush(log_.get());
        }
    }

    Clock& clock_;
    Tick start_;
    bool stamps_;
    struct Close {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Close> log_;
};

int Usage(const std::string& problem) {
    std::fprintf(stderr, "i2c-batch: %s\nMehr mit: i2c-batch --help\n", problem.c_str());
    return kNoModem;
}

}  // namespace

int main(int argc, char** argv) {
    batch::PrepareStandardStreams();
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help") {
            std::fputs(kHelp, stdout);
            return kDone;
        } else if (arg == "--version") {
            std::puts("i2c-batch " I2CT_VERSION);
            return kDone;
        } else if (arg == "--timestamps") {
            options.timestamps = true;
        } else if (arg == "--keep-going") {
            options.keepGoing = true;
        } else if (arg == "--port" && hasValue) {
            options.port = argv[++i];
        } else if (arg == "--log" && hasValue) {
            options.log = argv[++i];
        } else if (arg.starts_with("-") && arg != "-") {
            return Usage("unbekannte Option oder fehlender Wert: " + arg);
        } else {
            options.files.push_back(arg);
        }
    }
    std::vector<std::unique_ptr<std::ifstream>> scripts;
    for (const std::string& file : options.files) {
        if (file != "-") {
            scripts.push_back(std::make_unique<std::ifstream>(file));
            if (!*scripts.back()) {
                return Usage("kann " + file + " nicht lesen");
            }
        }
    }
    std::optional<Text> port;
    if (!options.port.empty()) {
        port = headless::GivenPortName(options.port);
        if (!port) {
            return Usage("kein serieller Port: " + options.port + " (COM1 bis COM255)");
        }
    }
    headless::SystemPorts system = headless::MakeSystemPorts();
    Clock& clock = *system.clock;
    Output out(clock, options.timestamps);
    if (!options.log.empty() && !out.openLog(options.log)) {
        return Usage("kann das Protokoll " + options.log +
                     " nicht schreiben (es muss eine eigene Datei sein, keine Verknüpfung)");
    }
    GivenPort given(*system.libraries, port.value_or(Text()));
    batch::Session session(clock, port ? given : *system.libraries, *system.serialPorts,
                           [&out](const Text& line) { out.line(line); });
    const batch::Outcome started = session.start();
    out.outcome(started);
    if (started.failed) {
        return kNoModem;
    }
    headless::LineWaits::catchInterrupts();
    const bool interactive = options.files.empty() && batch::InteractiveInput();
    std::unique_ptr<batch::Shell> shell;
    if (interactive) {
        shell = std::make_unique<batch::Shell>();
    }
    int status = kDone;
    // The sources in their order; nothing stands for standard input, for "-" and for no file.
    std::vector<std::istream*> sources;
    std::size_t next = 0;
    for (const std::string& file : options.files) {
        sources.push_back(file == "-" ? nullptr : scripts[next++].get());
    }
    if (options.files.empty()) {
        sources.push_back(nullptr);
    }
    const auto show = [&](const batch::Outcome& o) {
        if (o.lines.empty() && o.messages.empty() && o.status.empty()) {
            return;
        }
        if (shell) {
            shell->printAbove([&] { out.outcome(o); });
        } else {
            out.outcome(o);
        }
    };
    // While the program waits for input, the loop's keep-alive and reconnection go on, as in the
    // window; false when Ctrl-C came instead.
    bool interrupted = false;
    const auto wait = [&]() -> bool {
        for (;;) {
            if (headless::LineWaits::interrupted()) {
                interrupted = true;
                return false;
            }
            const batch::Session::IdleWait idle = session.idleWait();
            const batch::Woken woken = batch::AwaitInput(idle.ms, idle.port, idle.arrivals);
            if (woken == batch::Woken::Input) {
                return true;
            }
            show(session.idle(woken == batch::Woken::Port));
        }
    };
    batch::InputLines input;
    bool stop = false;
    for (std::size_t s = 0; s < sources.size() && !stop; ++s) {
        for (;;) {
            std::string line;
            if (shell) {
                const std::optional<std::string> typed =
                    shell->readLine(utf8(session.prompt()), wait);
                if (!typed) {
                    break;
                }
                line = *typed;
            } else if (sources[s] == nullptr) {
                const std::optional<std::string> read = input.next(wait);
                if (!read) {
                    stop = interrupted;
                    status = interrupted ? kRefused : status;
                    break;
                }
                line = *read;
            } else if (!std::getline(*sources[s], line)) {
                break;
            }
            if (!line.empty() && line.back() == '\r') {
                line.pop_back();
            }
            const std::size_t first = line.find_first_not_of(" \t");
            if (first == std::string::npos || line[first] == ';') {
                continue;
            }
            Text typed = cp1252(line);
            if (!session.prompt().empty() && typed.starts_with(session.prompt())) {
                typed.erase(0, session.prompt().size());
            }
            // The shell's user sees the line already; a script's reader sees it here.
            out.line(session.prompt() + typed, !shell);
            const batch::Outcome o = session.run(typed);
            out.outcome(o);
            if (headless::LineWaits::interrupted()) {
                stop = true;
                status = kRefused;
                break;
            }
            if (o.failed) {
                status = kRefused;
                if (!options.keepGoing && !shell) {
                    stop = true;
                    break;
                }
            }
        }
    }
    return status;
}
