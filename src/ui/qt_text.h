#pragma once
// The widgets' side of the text boundary: the core's Windows-1252 text to Qt strings and back.

#include <QByteArray>
#include <QString>

#include "platform/text.h"

namespace i2ct::ui {

inline QString ToQString(const Text& text) {
    const std::string u = utf8(text);
    return QString::fromUtf8(u.data(), static_cast<qsizetype>(u.size()));
}

// A character that Windows-1252 cannot hold becomes kUnmappable.
inline Text FromQString(const QString& text) {
    const QByteArray u = text.toUtf8();
    return cp1252(std::string_view(u.constData(), static_cast<std::size_t>(u.size())));
}

}  // namespace i2ct::ui
