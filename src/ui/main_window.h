#pragma once
// The terminal's main window with its controls at fixed places. Its close requests (close box,
// system menu, Alt+F4) do not close it: they only announce closeRequested, and the program
// decides.

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QWidget>

#include "ui/output_editor.h"

namespace i2ct::ui {

class MainWindow : public QWidget {
    Q_OBJECT

  public:
    explicit MainWindow(QWidget* parent = nullptr);

    QLineEdit& statusField() { return *status_; }
    QLabel& statusLabel() { return *statusLabel_; }
    QPushButton& helpButton() { return *help_; }
    QLabel& messageLabel() { return *messageLabel_; }
    QLineEdit& messageLine() { return *message_; }
    QPushButton& logoButton() { return *logo_; }
    QPushButton& stopButton() { return *stop_; }
    OutputEditor& output() { return *output_; }

  signals:
    void closeRequested();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    // Children of the window, which owns and destroys them.
    QLineEdit* status_;
    QLabel* statusLabel_;
    QPushButton* help_;
    QLabel* messageLabel_;
    QLineEdit* message_;
    QPushButton* logo_;
    QPushButton* stop_;
    OutputEditor* output_;
};

}  // namespace i2ct::ui
