#pragma once
// The two fonts of the program; every other control keeps the default GUI font.

#include <QFont>
#include <QString>

namespace i2ct::ui {

// Captions of the status field and the message line.
inline QFont LabelFont() {
    QFont font(QStringLiteral("Arial"), 10, QFont::Bold);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

// The output area and the help text: fixed pitch, so columns line up as the user counts them.
inline QFont ConsoleFont() {
    QFont font(QStringLiteral("Courier New"), 12);
    font.setStyleHint(QFont::TypeWriter);
    return font;
}

}  // namespace i2ct::ui
