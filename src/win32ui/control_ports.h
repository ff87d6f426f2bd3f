#pragma once
// The simple ports on the Windows controls and the desktop: the status field, the message line,
// the STOP button, the open-file dialog and the opener of documents.

#include "platform/system.h"
#include "platform/window.h"
#include "win32ui/main_window.h"

namespace i2ct::win32ui {

class StatusFieldPort : public StatusField {
  public:
    explicit StatusFieldPort(MainWindow& window) : window_(window) {}
    void setStatus(const Text& text, Rgb background) override;
    void setBackground(Rgb background) override { window_.setStatusColours(background); }

  private:
    MainWindow& window_;
};

class MessageLinePort : public MessageLine {
  public:
    explicit MessageLinePort(MainWindow& window) : window_(window) {}
    void setText(const Text& text) override;
    void setTextColour(Rgb colour) override { window_.setMessageTextColour(colour); }
    void setBackground(Rgb background) override { window_.setMessageBackground(background); }

  private:
    MainWindow& window_;
};

class StopButtonPort : public StopButton {
  public:
    StopButtonPort(HWND button, HWND console) : button_(button), console_(console) {}
    void setVisible(bool visible) override;

  private:
    HWND button_;
    HWND console_;
};

// GetOpenFileNameA: explorer style, one existing file, no read-only box, and the working
// directory left as it was.
class FileDialogPort : public FileDialog {
  public:
    explicit FileDialogPort(HWND owner) : owner_(owner) {}
    Text openFile(const Text& title, const Text& filter) override;

  private:
    HWND owner_;
};

// ShellExecuteA with the path as the one file to open: no command line is ever built from it.
class ShellOpener : public DocumentOpener {
  public:
    void open(const Text& path) override;
};

// A filter in the "label|patterns|label|patterns" form as the dialog wants it: each part ended
// by a zero byte, and one more at the end.
Text DialogFilter(const Text& filter);

}  // namespace i2ct::win32ui
