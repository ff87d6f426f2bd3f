// LineTracker plus one PrintLine per command on the real Qt editor, offscreen.
#include <QApplication>
#include <QTextCursor>
#include <cstdio>

#include "console_bench.h"
#include "rig.h"
#include "ui/output_editor.h"

namespace {

// The rig's doubles for everything but the output area, which is the Qt editor here.
struct QtRig {
    i2ct::test::Rig rig;
    i2ct::ui::OutputEditor editor;
    i2ct::Ports ports() {
        i2ct::Ports p = rig.ports();
        return i2ct::Ports{p.clock, p.events,     editor,   p.status,    p.message,    p.stopButton,
                           p.help,  p.fileDialog, p.opener, p.libraries, p.serialPorts};
    }
};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::printf("console, Qt editor\n%10s %16s\n", "lines", "us per command");
    for (long long lines : {100LL, 10000LL, 100000LL}) {
        QtRig q;
        i2ct::Program p(q.ports());
        p.PromptChar = "#";
        const auto figures = i2ct::bench::MeasureConsole(p, lines, 50, [&] {
            QTextCursor cursor = q.editor.textCursor();
            cursor.movePosition(QTextCursor::End);
            cursor.insertText("GET INT\n");
            q.editor.setTextCursor(cursor);
        });
        std::printf("%10lld %16.2f\n", figures.lines, figures.microsecondsPerCommand);
    }
    return 0;
}
