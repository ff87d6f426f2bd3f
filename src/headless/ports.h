// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The ports of a front end without a window, the batch program and the modem library: a wait
// blocks on the serial line and ends as soon as the watched bytes are there, Ctrl-C stands for
// the STOP button, the message line is a log of texts, and the other controls have nothing to
// show.

#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "platform/clock.h"
#include "platform/serial.h"
#include "platform/system.h"
#include "platform/window.h"

namespace i2ct::headless {

class LineWaits : public WindowEvents {
  public:
    explicit LineWaits(Clock& clock) : clock_(clock) {}

    WindowEvent waitEvent(std::uint32_t timeoutMs, WaitPolicy policy, LineWatch line) override;
    bool showsSteps() const override { return false; }

    // Queues an event for the loop's next wait: the session's typed line.
    void post(WindowEvent event) { queue_.push_back(event); }
    // The program's port: a listening wait ends as a STOP click once its device has gone,
    // since nothing can come any more.
    void watch(const std::unique_ptr<SerialPort>& port) { port_ = &port; }
    // Ends the loop's next wait once ms have passed from now, as a pass of SLEEP needs.
    void wakeAfter(std::uint32_t ms);

    // Ctrl-C from now on is a STOP click; a second one before it is taken ends the program.
    static void catchInterrupts();
    // Whether Ctrl-C came and no LISTEN took it; clears the mark.
    static bool interrupted();

  private:
    Clock& clock_;
    const std::unique_ptr<SerialPort>* port_ = nullptr;
    std::deque<WindowEvent> queue_;
    std::optional<Tick> wake_;
};

// What the message line was told, without the progress texts and the blanks that clear them.
class MessageLog : public MessageLine {
  public:
    struct Entry {
        Text text;
        bool error;  // shown in the error colour
    };
    void setText(const Text& text) override;
    void setTextColour(Rgb colour) override { colour_ = colour; }
    void setBackground(Rgb) override {}
    // The texts since the last call; the colour starts again as black, so that each command's
    // errors are its own.
    std::vector<Entry> take();

  private:
    std::vector<Entry> entries_;
    Rgb colour_ = colour::kBlack;
};

// The controls and desktop services that a program without a window does without.
struct NoStatus : StatusField {
    void setStatus(const Text&, Rgb) override {}
    void setBackground(Rgb) override {}
};
struct NoStopButton : StopButton {
    void setVisible(bool) override {}
};
struct NoHelpWindow : HelpWindow {
    bool open(const std::vector<Text>&) override { return false; }
    void close() override {}
};
struct NoFileDialog : FileDialog {
    Text openFile(const Text&, const Text&) override { return {}; }
};
struct NoOpener : DocumentOpener {
    void open(const Text&) override {}
};

}  // namespace i2ct::headless
