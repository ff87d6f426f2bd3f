#include "ui/output_editor.h"

#include <QKeyEvent>
#include <QTextBlock>
#include <QTextDocument>
#include <algorithm>

#include "ui/fonts.h"
#include "ui/qt_text.h"

namespace i2ct::ui {

OutputEditor::OutputEditor(QWidget* parent) : QPlainTextEdit(parent) {
    setFont(ConsoleFont());
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // Undo would take back the program's own output as well, and its history would grow with
    // a console that has no length limit.
    setUndoRedoEnabled(false);
    connect(document(), &QTextDocument::contentsChange, this,
            [this](int position, int, int) { noteChange(position); });
}

LineIndex OutputEditor::count() const {
    // The document always holds one block; with no character in it the area has no line.
    return document()->isEmpty() ? 0 : document()->blockCount();
}

QTextBlock OutputEditor::block(LineIndex i) const {
    return document()->findBlockByNumber(static_cast<int>(i));
}

Text OutputEditor::get(LineIndex i) const {
    return exists(i) ? FromQString(block(i).text()) : Text{};
}

void OutputEditor::set(LineIndex i, const Text& text) {
    QTextCursor cursor(document());
    if (exists(i)) {
        const QTextBlock line = block(i);
        cursor.setPosition(line.position());
        cursor.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    } else {
        cursor.movePosition(QTextCursor::End);
    }
    cursor.insertText(ToQString(text));
    moveInsertionPoint(cursor);
}

void OutputEditor::insert(LineIndex i, const Text& text) {
    if (!exists(i)) {
        append(text);
        return;
    }
    QTextCursor cursor(document());
    cursor.setPosition(block(i).position());
    cursor.insertText(ToQString(text) + QChar(u'\n'));
    moveInsertionPoint(cursor);
}

void OutputEditor::append(const Text& text) {
    QTextCursor cursor(document());
    cursor.movePosition(QTextCursor::End);
    const QString line = ToQString(text);
    cursor.insertText(document()->isEmpty() ? line : QChar(u'\n') + line);
    moveInsertionPoint(cursor);
}

LineIndex OutputEditor::firstTouchedLine() const {
    return touched_ == kNone ? count() : touched_;
}

void OutputEditor::noteChange(int position) {
    const LineIndex line = std::max(document()->findBlock(position).blockNumber(), 0);
    touched_ = touched_ == kNone ? line : std::min(touched_, line);
}

void OutputEditor::moveInsertionPoint(const QTextCursor& cursor) {
    setTextCursor(cursor);
    ensureCursorVisible();
}

void OutputEditor::focusInEvent(QFocusEvent* event) {
    QPlainTextEdit::focusInEvent(event);
    emit focusChanged();
}

void OutputEditor::focusOutEvent(QFocusEvent* event) {
    QPlainTextEdit::focusOutEvent(event);
    emit focusChanged();
}

void OutputEditor::keyPressEvent(QKeyEvent* event) {
    // Shift+Enter would break the line inside one block: the user would see a new line that
    // the line count does not show, so it starts a new line like Enter.
    const bool enterKey = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enterKey && event->matches(QKeySequence::InsertLineSeparator)) {
        QKeyEvent enter(event->type(), event->key(), event->modifiers() & ~Qt::ShiftModifier,
                        event->text(), event->isAutoRepeat(), static_cast<quint16>(event->count()));
        QPlainTextEdit::keyPressEvent(&enter);
        event->setAccepted(enter.isAccepted());
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

}  // namespace i2ct::ui
