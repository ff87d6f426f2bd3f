#pragma once
// The help window on Windows: a top-level window with a read-only rich-text field holding the
// help text in the console font. Its close requests reach the loop as Close events.

#include <windows.h>

#include "platform/window.h"
#include "win32ui/message_pump.h"

namespace i2ct::win32ui {

class HelpWindowPort : public HelpWindow {
  public:
    HelpWindowPort(HWND mainWindow, HFONT consoleFont, MessagePump& pump);
    ~HelpWindowPort() override { close(); }
    HelpWindowPort(const HelpWindowPort&) = delete;
    HelpWindowPort& operator=(const HelpWindowPort&) = delete;

    bool open(const std::vector<Text>& lines) override;
    void close() override;

    HWND window() const { return window_; }
    HWND text() const { return text_; }

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);

    HWND mainWindow_;
    HFONT consoleFont_;
    MessagePump& pump_;
    HWND window_ = nullptr;
    HWND text_ = nullptr;
};

}  // namespace i2ct::win32ui
