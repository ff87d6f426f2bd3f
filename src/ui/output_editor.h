#pragma once
// The console of the main window: a plain-text editor that the user types into and that the
// core reads and writes through the output-area port. Its text cursor is the shared insertion
// point.

#include <QPlainTextEdit>

#include "platform/window.h"

namespace i2ct::ui {

class OutputEditor : public QPlainTextEdit, public OutputArea {
    Q_OBJECT

  public:
    explicit OutputEditor(QWidget* parent = nullptr);

    LineIndex count() const override;
    Text get(LineIndex i) const override;
    void set(LineIndex i, const Text& text) override;
    void insert(LineIndex i, const Text& text) override;
    void append(const Text& text) override;
    LineIndex firstTouchedLine() const override;
    void clearTouched() override { touched_ = kNone; }
    void giveFocus() override { setFocus(Qt::OtherFocusReason); }

  signals:
    // The editor gained or lost the keyboard focus.
    void focusChanged();

  protected:
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    static constexpr LineIndex kNone = -1;
    bool exists(LineIndex i) const { return i >= 0 && i < count(); }
    QTextBlock block(LineIndex i) const;
    void noteChange(int position);
    void moveInsertionPoint(const QTextCursor& cursor);

    LineIndex touched_ = kNone;
};

}  // namespace i2ct::ui
