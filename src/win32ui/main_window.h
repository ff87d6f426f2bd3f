#pragma once
// The main window built with USER32, GDI32 and the rich-text edit control: its controls at their
// fixed places, the two fonts, and the colours of the status field and the message line. The
// window procedure hands the controls' notifications to the event pump.

#include <windows.h>

#include <functional>

#include "platform/colour.h"
#include "platform/window.h"

namespace i2ct::win32ui {

// A brush that follows the colour last given to it.
class SolidBrush {
  public:
    explicit SolidBrush(Rgb colour) { set(colour); }
    ~SolidBrush();
    SolidBrush(const SolidBrush&) = delete;
    SolidBrush& operator=(const SolidBrush&) = delete;
    void set(Rgb colour);
    COLORREF colour() const { return colour_; }
    HBRUSH handle() const { return brush_; }

  private:
    COLORREF colour_ = 0;
    HBRUSH brush_ = nullptr;
};

// The system's default fonts and the program's two own, by face name and point size at the
// screen's vertical resolution.
struct Fonts {
    Fonts();
    ~Fonts();
    Fonts(const Fonts&) = delete;
    Fonts& operator=(const Fonts&) = delete;
    HFONT label;    // "Arial", 10 points, bold: the captions
    HFONT console;  // "Courier New", 12 points: the output area and the help text
};

class MainWindow {
  public:
    // Registers the window classes and builds the window and its controls, shown normally.
    // valid() is false when the window cannot be created; then no control exists.
    MainWindow();
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    bool valid() const { return window_ != nullptr; }
    HWND window() const { return window_; }
    HWND statusField() const { return status_; }
    HWND messageLine() const { return message_; }
    HWND helpButton() const { return help_; }
    HWND logoButton() const { return logo_; }
    HWND stopButton() const { return stop_; }
    HWND output() const { return output_; }
    const Fonts& fonts() const { return fonts_; }

    // Where the window's events go: its controls' notifications and its close requests.
    void onEvent(std::function<void(WindowEvent)> sink) { sink_ = std::move(sink); }
    // Told of every change of the output area's text, before the event is handed on.
    void onOutputChange(std::function<void()> changed) { outputChanged_ = std::move(changed); }

    void setStatusColours(Rgb background);
    void setMessageTextColour(Rgb text);
    void setMessageBackground(Rgb background);

  private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    void post(WindowEvent event);

    Fonts fonts_;
    HBITMAP logoPicture_ = nullptr;
    SolidBrush statusBrush_{colour::kRed};
    SolidBrush messageBrush_{colour::kGrey};
    COLORREF messageText_ = RGB(0, 0, 0);
    HWND window_ = nullptr;
    HWND status_ = nullptr;
    HWND help_ = nullptr;
    HWND message_ = nullptr;
    HWND logo_ = nullptr;
    HWND stop_ = nullptr;
    HWND output_ = nullptr;
    std::function<void(WindowEvent)> sink_;
    std::function<void()> outputChanged_;
};

// The window's outer rectangle for a client area of this size with this style, at this place.
RECT OuterRect(int x, int y, int clientWidth, int clientHeight, DWORD style);

// The object whose address a window was created with, kept with the window from its first
// message on: the procedure of a window class finds its C++ side this way.
template <class T>
T* CreatedFor(HWND window, UINT message, LPARAM l) {
    if (message == WM_NCCREATE) {
        const auto* creation = reinterpret_cast<const CREATESTRUCTA*>(l);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(creation->lpCreateParams));
    }
    return reinterpret_cast<T*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// The module that holds the resources: the program, or the test that links the window.
HINSTANCE ThisModule();

}  // namespace i2ct::win32ui
