#pragma once
// Colours of the core on the widgets' palettes.

#include <QColor>
#include <QPalette>
#include <QWidget>

#include "platform/colour.h"

namespace i2ct::ui {

inline QColor ToQColor(Rgb rgb) {
    return {rgb.r, rgb.g, rgb.b};
}

inline void SetRole(QWidget& widget, QPalette::ColorRole role, Rgb rgb) {
    QPalette palette = widget.palette();
    palette.setColor(role, ToQColor(rgb));
    widget.setPalette(palette);
}

// The field's background behind its text.
inline void SetBackground(QWidget& field, Rgb rgb) {
    SetRole(field, QPalette::Base, rgb);
}
inline void SetTextColour(QWidget& field, Rgb rgb) {
    SetRole(field, QPalette::Text, rgb);
}

}  // namespace i2ct::ui
