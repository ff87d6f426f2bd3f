// The terminal's CPU share and wake-ups while its modem is gone: the real window offscreen with
// i2c-modem-sim on a pty, unplugged while idle, inside a slow WR, during LISTEN 0 and while
// interrupts are watched, then watched for 10 s. The goal is under 2 % of one core.
#include <sys/resource.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "app/terminal.h"
#include "platform/linux/library_loader.h"
#include "platform/linux/linux_clock.h"
#include "platform/linux/serial_port.h"
#include "sim_process.h"
#include "ui/terminal_window.h"

namespace {

constexpr int kMeasureMs = 10000;

// All threads of the process: CPU time, and how often it went to sleep of its own accord, which
// is how often something woke it.
struct Usage {
    double cpuMs;
    long wakeUps;
};

Usage Now() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    const auto ms = [](timeval t) { return double(t.tv_sec) * 1e3 + double(t.tv_usec) / 1e3; };
    return {ms(r.ru_utime) + ms(r.ru_stime), r.ru_nvcsw};
}

struct Situation {
    const char* name;
    const char* latency;
    std::vector<std::pair<QString, QString>> before;  // typed lines and a piece of their answer
    QString line, running;  // the command the unplug lands in, a piece of its message meanwhile
};
// clang-format off
const Situation kSituations[] = {
    {"idle", "2", {}, "", ""},
    {"inside a slow WR", "1000", {}, "WR 0072 01", "Slave"},
    {"during LISTEN 0", "2", {{"SET FILTER 0074", "> OK"}}, "LISTEN 0", "lauscht"},
    {"watching interrupts", "2", {{"LDTB 0041 01", "> OK"}, {"CHKINT EIN", "EIN > OK"}}, "", ""},
};
// clang-format on

// Prints the figures of one situation; false when the session did not get there.
bool Measure(const char* simulator, const std::string& runtime, const Situation& s) {
    i2ct::test::SimProcess sim(simulator, runtime);
    i2ct::linux_platform::LinuxClock clock;
    i2ct::linux_platform::LinuxLibraryLoader libraries;
    i2ct::linux_platform::LinuxSerialPorts serialPorts;
    i2ct::ui::TerminalWindow window;
    i2ct::Terminal terminal(window.ports(clock, libraries, serialPorts));
    i2ct::ui::OutputEditor& output = window.window().output();
    QPushButton& stop = window.window().stopButton();
    const auto runUntil = [&](const std::function<bool()>& done) {
        for (QDeadlineTimer end(2 * kMeasureMs); !done() && !end.hasExpired();) terminal.runPass();
        return done();
    };
    terminal.startUp();
    sim.send(std::string("latency ") + s.latency);
    for (const auto& [line, answer] : s.before) {
        QTest::keyClicks(&output, line + u'\r');
        if (!runUntil([&, wanted = answer] { return output.toPlainText().contains(wanted); })) {
            std::fprintf(stderr, "%s: no answer to %s\n", s.name, qPrintable(line));
            return false;
        }
    }
    bool done = false;
    Usage start{};
    Usage end{};
    QTimer user;  // unplugs once the command runs
    const auto unplug = [&] {
        user.stop();
        sim.send("unplug");
        start = Now();
        QTimer::singleShot(kMeasureMs, &user, [&] {
            end = Now();
            done = true;
            if (stop.isVisible()) {
                QTest::mouseClick(&stop, Qt::LeftButton);  // or LISTEN 0 would never end
            }
        });
    };
    QObject::connect(&user, &QTimer::timeout, [&] {
        if (window.window().messageLine().text().contains(s.running)) {
            unplug();
        }
    });
    if (s.line.isEmpty()) {
        unplug();
    } else {
        user.start(50);
        QTest::keyClicks(&output, s.line + u'\r');
    }
    if (!runUntil([&] { return done; })) {
        std::fprintf(stderr, "%s: the unplug never came\n", s.name);
        return false;
    }
    std::printf("  %-22s %8.2f %% %10.0f /s\n", s.name,
                (end.cpuMs - start.cpuMs) / kMeasureMs * 100,
                double(end.wakeUps - start.wakeUps) * 1000 / kMeasureMs);
    terminal.shutDown();
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PATH-OF-i2c-modem-sim\n", argv[0]);
        return 2;
    }
    // Where each simulator announces itself, and so where discovery looks.
    const QTemporaryDir runtime;
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    std::printf("The terminal with its modem unplugged, %d s each (goal: under 2 %% of a core)\n",
                kMeasureMs / 1000);
    std::printf("  %-22s %10s %13s\n", "unplugged", "CPU", "wake-ups");
    int status = 0;
    for (const Situation& s : kSituations) {
        status |= Measure(argv[1], runtime.path().toStdString(), s) ? 0 : 1;
    }
    return status;
}
