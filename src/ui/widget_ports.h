#pragma once
// The simple ports on their widgets: the status field, the message line, the STOP button, the
// file dialog and the opener of documents.

#include <QLineEdit>
#include <QPushButton>
#include <QString>

#include "platform/system.h"
#include "platform/window.h"

namespace i2ct::ui {

class StatusFieldPort : public StatusField {
  public:
    explicit StatusFieldPort(QLineEdit& field) : field_(field) {}
    void setStatus(const Text& text, Rgb background) override;
    void setBackground(Rgb background) override;

  private:
    QLineEdit& field_;
};

class MessageLinePort : public MessageLine {
  public:
    explicit MessageLinePort(QLineEdit& line) : line_(line) {}
    void setText(const Text& text) override;
    void setTextColour(Rgb colour) override;
    void setBackground(Rgb background) override;

  private:
    QLineEdit& line_;
};

class StopButtonPort : public StopButton {
  public:
    explicit StopButtonPort(QPushButton& button) : button_(button) {}
    void setVisible(bool visible) override { button_.setVisible(visible); }

  private:
    QPushButton& button_;
};

// Qt's open-file dialog, over the given window.
class FileDialogPort : public FileDialog {
  public:
    explicit FileDialogPort(QWidget& parent) : parent_(parent) {}
    Text openFile(const Text& title, const Text& filter) override;

  private:
    QWidget& parent_;
};

// Hands a file to the desktop's default handler as a URL: the path is never seen by a shell.
class DesktopOpener : public DocumentOpener {
  public:
    void open(const Text& path) override;
};

// A filter in the "label|patterns|label|patterns" form, patterns separated by ";", as the Qt
// dialogs want it: "label (pattern pattern)" entries separated by ";;".
QString QtFileFilter(const Text& filter);

}  // namespace i2ct::ui
