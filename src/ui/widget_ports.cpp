#include "ui/widget_ports.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QStringList>
#include <QUrl>

#include "ui/colours.h"
#include "ui/qt_text.h"

namespace i2ct::ui {

void StatusFieldPort::setStatus(const Text& text, Rgb background) {
    field_.setText(ToQString(text));
    SetBackground(field_, background);
}

void StatusFieldPort::setBackground(Rgb background) {
    SetBackground(field_, background);
}

void MessageLinePort::setText(const Text& text) {
    line_.setText(ToQString(text));
}

void MessageLinePort::setTextColour(Rgb colour) {
    SetTextColour(line_, colour);
}

void MessageLinePort::setBackground(Rgb background) {
    SetBackground(line_, background);
}

QString QtFileFilter(const Text& filter) {
    const QStringList parts = ToQString(filter).split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString patterns = parts[i + 1].split(u';', Qt::SkipEmptyParts).join(u' ');
        entries.append(parts[i] + QStringLiteral(" (") + patterns + u')');
    }
    return entries.join(QStringLiteral(";;"));
}

Text FileDialogPort::openFile(const Text& title, const Text& filter) {
    return FromQString(
        QFileDialog::getOpenFileName(&parent_, ToQString(title), QString(), QtFileFilter(filter)));
}

void DesktopOpener::open(const Text& path) {
    QDesktopServices::openUrl(QUrl::fromLocalFile(ToQString(path)));
}

}  // namespace i2ct::ui
