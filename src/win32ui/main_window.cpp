#include "win32ui/main_window.h"

#include <commctrl.h>
#include <richedit.h>

#include "win32ui/resource_ids.h"

namespace i2ct::win32ui {
namespace {

constexpr char kClassName[] = "I2CTerminalMain";
constexpr char kTitle[] = "I2C-BUS    USB   Terminal    V 2.2            Selmur & Vusk";
constexpr int kClientWidth = 1000;
constexpr int kClientHeight = 660;
constexpr int kLeft = 100;
constexpr int kTop = 235;
// A sizing border and a minimise box, but the controls keep their places: no maximise box.
constexpr DWORD kStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX;

COLORREF ToColorRef(Rgb rgb) {
    return RGB(rgb.r, rgb.g, rgb.b);
}

HFONT PointFont(const char* face, int points, int weight) {
    HDC screen = GetDC(nullptr);
    const int height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    return CreateFontA(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, ANSI_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face);
}

HWND Control(HWND parent, DWORD exStyle, const char* kind, const char* text, DWORD style,
             RECT place, HFONT font) {
    HWND control =
        CreateWindowExA(exStyle, kind, text, WS_CHILD | style, place.left, place.top, place.right,
                        place.bottom, parent, nullptr, ThisModule(), nullptr);
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    return control;
}

HFONT GuiFont() {
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

}  // namespace

HINSTANCE ThisModule() {
    return GetModuleHandleA(nullptr);
}

RECT OuterRect(int x, int y, int clientWidth, int clientHeight, DWORD style) {
    RECT outer{0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&outer, style, FALSE, 0);
    return RECT{x, y, x + outer.right - outer.left, y + outer.bottom - outer.top};
}

SolidBrush::~SolidBrush() {
    DeleteObject(brush_);
}

void SolidBrush::set(Rgb colour) {
    if (brush_ != nullptr && ToColorRef(colour) == colour_) {
        return;
    }
    DeleteObject(brush_);
    colour_ = ToColorRef(colour);
    brush_ = CreateSolidBrush(colour_);
}

Fonts::Fonts()
    : label(PointFont("Arial", 10, FW_BOLD)), console(PointFont("Courier New", 12, FW_NORMAL)) {}

Fonts::~Fonts() {
    DeleteObject(label);
    DeleteObject(console);
}

MainWindow::MainWindow() {
    INITCOMMONCONTROLSEX common{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common);
    // The rich-text edit control registers its window class when its library loads.
    LoadLibraryA("Riched20.dll");
    logoPicture_ = static_cast<HBITMAP>(
        LoadImageA(ThisModule(), MAKEINTRESOURCEA(I2CT_LOGO), IMAGE_BITMAP, 0, 0, 0));

    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = ThisModule();
    windowClass.hIcon = LoadIconA(ThisModule(), MAKEINTRESOURCEA(I2CT_ICON));
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    RegisterClassExA(&windowClass);

    const RECT outer = OuterRect(kLeft, kTop, kClientWidth, kClientHeight, kStyle);
    window_ = CreateWindowExA(0, kClassName, kTitle, kStyle, outer.left, outer.top,
                              outer.right - outer.left, outer.bottom - outer.top, nullptr, nullptr,
                              ThisModule(), this);
    if (window_ == nullptr) {
        return;
    }
    // The creation order decides the stacking and the tab order. Places are x, y, width, height.
    status_ = Control(window_, WS_EX_CLIENTEDGE, "EDIT", "Offline", WS_VISIBLE | ES_AUTOHSCROLL,
                      {160, 10, 60, 20}, GuiFont());
    Control(window_, 0, "STATIC", "Modem-Status:", WS_VISIBLE | SS_RIGHT, {10, 10, 130, 20},
            fonts_.label);
    help_ = Control(window_, 0, "BUTTON", "?", WS_VISIBLE | BS_PUSHBUTTON, {950, 10, 20, 20},
                    GuiFont());
    Control(window_, 0, "STATIC", "Status:", WS_VISIBLE | SS_RIGHT, {10, 630, 70, 20},
            fonts_.label);
    message_ = Control(window_, WS_EX_CLIENTEDGE, "EDIT", "",
                       WS_VISIBLE | ES_READONLY | ES_AUTOHSCROLL, {90, 630, 650, 20}, GuiFont());
    // The picture is wider than the button, which shows its middle.
    logo_ = Control(window_, 0, "BUTTON", "", WS_VISIBLE | BS_PUSHBUTTON | BS_BITMAP,
                    {800, 630, 170, 20}, GuiFont());
    SendMessageA(logo_, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(logoPicture_));
    stop_ = Control(window_, 0, "BUTTON", "LISTEN - STOP", BS_PUSHBUTTON, {230, 10, 130, 20},
                    GuiFont());
    output_ = Control(window_, WS_EX_CLIENTEDGE, RICHEDIT_CLASSA, "",
                      WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                          ES_AUTOHSCROLL | ES_WANTRETURN | ES_NOHIDESEL,
                      {10, 40, 970, 580}, fonts_.console);
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

MainWindow::~MainWindow() {
    // The controls report their last focus changes while they go, to nobody.
    sink_ = nullptr;
    outputChanged_ = nullptr;
    if (window_ != nullptr) {
        DestroyWindow(window_);
    }
    DeleteObject(logoPicture_);
}

void MainWindow::setStatusColours(Rgb background) {
    statusBrush_.set(background);
    InvalidateRect(status_, nullptr, TRUE);
}

void MainWindow::setMessageTextColour(Rgb text) {
    messageText_ = ToColorRef(text);
    InvalidateRect(message_, nullptr, TRUE);
}

void MainWindow::setMessageBackground(Rgb background) {
    messageBrush_.set(background);
    InvalidateRect(message_, nullptr, TRUE);
}

void MainWindow::post(WindowEvent event) {
    if (sink_) {
        sink_(event);
    }
}

LRESULT CALLBACK MainWindow::Procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    MainWindow* self = CreatedFor<MainWindow>(window, message, l);
    if (self == nullptr || self->window_ == nullptr) {
        return DefWindowProcA(window, message, w, l);
    }
    return self->handle(message, w, l);
}

LRESULT MainWindow::handle(UINT message, WPARAM w, LPARAM l) {
    const auto from = reinterpret_cast<HWND>(l);
    switch (message) {
        case WM_COMMAND: {
            const WORD code = HIWORD(w);
            if (from == output_ &&
                (code == EN_CHANGE || code == EN_SETFOCUS || code == EN_KILLFOCUS)) {
                if (code == EN_CHANGE && outputChanged_) {
                    outputChanged_();
                }
                post(WindowEvent::OutputArea);
            } else if (code == BN_CLICKED) {
                if (from == help_) {
                    post(WindowEvent::HelpButton);
                } else if (from == logo_) {
                    post(WindowEvent::LogoButton);
                } else if (from == stop_) {
                    post(WindowEvent::StopButton);
                }
            }
            return 0;
        }
        case WM_CTLCOLOREDIT:
        case WM_CTLCOLORSTATIC: {
            // The message line is read-only and so asks as a static control does.
            const auto dc = reinterpret_cast<HDC>(w);
            if (from == status_) {
                SetTextColor(dc, RGB(0, 0, 0));
                SetBkColor(dc, statusBrush_.colour());
                return reinterpret_cast<LRESULT>(statusBrush_.handle());
            }
            if (from == message_) {
                SetTextColor(dc, messageText_);
                SetBkColor(dc, messageBrush_.colour());
                return reinterpret_cast<LRESULT>(messageBrush_.handle());
            }
            break;
        }
        case WM_SETFOCUS:
            // Keys belong in the console: when the window regains the focus, for example after
            // another program was active, the console takes it.
            if (output_ != nullptr) {
                SetFocus(output_);
            }
            return 0;
        case WM_CLOSE:
            // The loop decides: a close request during a command's wait is dropped.
            post(WindowEvent::Close);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window_, message, w, l);
}

}  // namespace i2ct::win32ui
