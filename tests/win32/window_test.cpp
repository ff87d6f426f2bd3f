// The Windows window under Wine: the rich-text console against the output-area contract with
// key messages, the controls where they belong, the waits' policies on real messages, the help
// window, and the terminal typed into on a virtual modem.
#include <gtest/gtest.h>
#include <windows.h>

#include <richedit.h>

#include <algorithm>
#include <cstdio>

#include "app/help_text.h"
#include "app/terminal.h"
#include "area_contract.h"
#include "platform/win32/win32_clock.h"
#include "sim/virtual_link.h"
#include "virtual_time.h"
#include "win32ui/terminal_window.h"

namespace i2ct::test {
namespace {

// What a key press brings to the control: the key, the character that TranslateMessage makes
// of it, and the release; "\n" is Enter with Shift held, which must act as Enter alone.
void Key(HWND control, WPARAM key, char character, bool shift = false) {
    BYTE keys[256];
    GetKeyboardState(keys);
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    SendMessageA(control, WM_KEYDOWN, key, 1);
    if (character != 0) {
        SendMessageA(control, WM_CHAR, static_cast<BYTE>(character), 1);
    }
    SendMessageA(control, WM_KEYUP, key, 0xC0000001);
    keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
}

void TypeInto(HWND control, const Text& text) {
    for (char c : text) {
        if (c == '\n') {
            Key(control, VK_RETURN, '\r', true);
        } else {
            const SHORT key = VkKeyScanA(c);
            Key(control, key == -1 ? 0 : static_cast<WPARAM>(key & 0xFF), c);
        }
    }
}

// The window's console with the user's side of the in-memory area, done with key messages.
struct KeyedRichEdit : OutputArea {
    win32ui::TerminalWindow window;
    win32ui::RichEditArea& a = window.output();
    HWND control = a.control();

    LineIndex count() const override { return a.count(); }
    Text get(LineIndex i) const override { return a.get(i); }
    void set(LineIndex i, const Text& t) override { a.set(i, t); }
    void insert(LineIndex i, const Text& t) override { a.insert(i, t); }
    void append(const Text& t) override { a.append(t); }
    LineIndex firstTouchedLine() const override { return a.firstTouchedLine(); }
    void clearTouched() override { a.clearTouched(); }
    void giveFocus() override { a.giveFocus(); }

    LONG caret() {
        CHARRANGE selection{};
        SendMessageA(control, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
        return selection.cpMin;
    }
    LineIndex cursorLine() { return SendMessageA(control, EM_EXLINEFROMCHAR, 0, caret()); }
    std::size_t cursorColumn() {
        return std::size_t(caret() - SendMessageA(control, EM_LINEINDEX, WPARAM(cursorLine()), 0));
    }
    void type(const Text& text) { TypeInto(control, text); }
    void backspace() { Key(control, VK_BACK, '\b'); }
    void moveTo(LineIndex line, std::size_t column) {
        const auto at = LONG(SendMessageA(control, EM_LINEINDEX, WPARAM(line), 0) + LONG(column));
        CHARRANGE selection{at, at};
        SendMessageA(control, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&selection));
    }
};

// One window for all cases: under Wine without a window manager, destroying a top-level window
// waits two seconds for a withdrawal that nobody confirms.
class Win32Window : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { area = new KeyedRichEdit; }
    static void TearDownTestSuite() { delete area; }
    void SetUp() override {
        SetWindowTextA(area->control, "");
        area->clearTouched();
        pump().waitEvent(0, WaitPolicy::Command, {});
    }
    static win32ui::TerminalWindow& window() { return area->window; }
    static win32ui::MainWindow& main() { return window().window(); }
    static win32ui::MessagePump& pump() { return window().events(); }
    static Text TextOf(HWND control) {
        char text[4096] = "";
        GetWindowTextA(control, text, sizeof text);
        return text;
    }
    static void Click(HWND button) {
        PostMessageA(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
        PostMessageA(button, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
    }
    Ports ports() { return window().ports(time, bench, bench); }

    static inline KeyedRichEdit* area = nullptr;
    VirtualTime time;
    sim::VirtualBench bench{time};
};

TEST_F(Win32Window, TheRichEditKeepsTheOutputAreaContract) {
    for (const AreaCase& c : kAreaCases) {
        SCOPED_TRACE(c.name);
        SetUp();
        CheckArea(*area, c);
    }
}

// "x y w h" of a child window in its parent's client area.
Text Place(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    char place[64];
    snprintf(place, sizeof place, "%ld %ld %ld %ld", r.left, r.top, r.right - r.left,
             r.bottom - r.top);
    return place;
}

// "class 'text' x y w h", and " hidden" when it is.
Text Describe(HWND control) {
    char kind[64], text[64];
    GetClassNameA(control, kind, sizeof kind);
    GetWindowTextA(control, text, sizeof text);
    return Text(kind) + " '" + text + "' " + Place(control) +
           (IsWindowVisible(control) ? "" : " hidden");
}

LOGFONTA FontOf(HWND control) {
    LOGFONTA font{};
    GetObjectA(reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return font;
}

TEST_F(Win32Window, TheControlsSitWhereTheyBelongInTheirFontsAndColours) {
    HWND w = main().window();
    EXPECT_EQ(TextOf(w), "I2C-BUS    USB   Terminal    V 2.2            Selmur & Vusk");
    RECT client, outer;
    GetClientRect(w, &client);
    GetWindowRect(w, &outer);
    EXPECT_EQ(std::make_pair(client.right, client.bottom), std::make_pair(1000L, 660L));
    EXPECT_EQ(std::make_pair(outer.left, outer.top), std::make_pair(100L, 235L));
    const auto style = GetWindowLongA(w, GWL_STYLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_SYSMENU),
              WS_THICKFRAME | WS_MINIMIZEBOX | WS_SYSMENU);
    std::vector<Text> children;
    for (HWND c = GetWindow(w, GW_CHILD); c != nullptr; c = GetWindow(c, GW_HWNDNEXT)) {
        children.push_back(Describe(c));
    }
    std::sort(children.begin(), children.end());
    EXPECT_EQ(children, (std::vector<Text>{
                            "Button '' 800 630 170 20",
                            "Button '?' 950 10 20 20",
                            "Button 'LISTEN - STOP' 230 10 130 20 hidden",
                            "Edit '' 90 630 650 20",
                            "Edit 'Offline' 160 10 60 20",
                            "RichEdit20A '' 10 40 970 580",
                            "Static 'Modem-Status:' 10 10 130 20",
                            "Static 'Status:' 10 630 70 20",
                        }));
    EXPECT_TRUE(GetWindowLongA(main().messageLine(), GWL_STYLE) & ES_READONLY);
    BITMAP logo{};
    GetObjectA(
        reinterpret_cast<HBITMAP>(SendMessageA(main().logoButton(), BM_GETIMAGE, IMAGE_BITMAP, 0)),
        sizeof logo, &logo);
    EXPECT_EQ(std::make_pair(logo.bmWidth, logo.bmHeight), std::make_pair(180L, 20L));
    HDC screen = GetDC(nullptr);
    const LONG dpi = GetDeviceCaps(screen, LOGPIXELSY);
    const LOGFONTA label = FontOf(FindWindowExA(w, nullptr, "Static", "Status:"));
    EXPECT_STREQ(label.lfFaceName, "Arial");
    EXPECT_EQ(label.lfWeight, FW_BOLD);
    EXPECT_EQ(label.lfHeight, -MulDiv(10, dpi, 72));
    CHARFORMATA console{};
    console.cbSize = sizeof console;
    SendMessageA(main().output(), EM_GETCHARFORMAT, SCF_DEFAULT,
                 reinterpret_cast<LPARAM>(&console));
    EXPECT_STREQ(console.szFaceName, "Courier New");
    EXPECT_EQ(console.yHeight, 12 * 20) << "twips";
    EXPECT_EQ(SendMessageA(main().statusField(), WM_GETFONT, 0, 0),
              reinterpret_cast<LRESULT>(GetStockObject(DEFAULT_GUI_FONT)));
    // The colours the controls ask their parent for when they paint.
    ports().status.setStatus("Online", colour::kGreen);
    ports().message.setTextColour(colour::kErrorRed);
    struct Paint {
        HWND control;
        UINT message;
        COLORREF text, background;
    };
    for (const Paint& p :
         {Paint{main().statusField(), WM_CTLCOLOREDIT, RGB(0, 0, 0), RGB(0, 224, 0)},
          Paint{main().messageLine(), WM_CTLCOLORSTATIC, RGB(255, 0, 0), RGB(207, 207, 207)}}) {
        SendMessageA(w, p.message, reinterpret_cast<WPARAM>(screen),
                     reinterpret_cast<LPARAM>(p.control));
        EXPECT_EQ(GetTextColor(screen), p.text);
        EXPECT_EQ(GetBkColor(screen), p.background);
    }
    ReleaseDC(nullptr, screen);
    EXPECT_EQ(TextOf(main().statusField()), "Online");
    ports().status.setStatus("Offline", colour::kRed);
    ports().message.setTextColour(colour::kBlack);
}

TEST_F(Win32Window, EachWaitLetsThroughWhatItsPolicySays) {
    HWND out = main().output();
    const auto userActs = [&] {
        PostMessageA(out, WM_CHAR, 'x', 1);
        Click(main().helpButton());
        Click(main().stopButton());
        PostMessageA(main().window(), WM_CLOSE, 0, 0);
    };
    userActs();
    EXPECT_EQ(pump().waitEvent(30, WaitPolicy::Command, {}), WindowEvent::None);
    userActs();
    EXPECT_EQ(pump().waitEvent(30, WaitPolicy::Listen, {}), WindowEvent::None) << "STOP is hidden";
    EXPECT_EQ(pump().waitEvent(0, WaitPolicy::Loop, {}), WindowEvent::None) << "all was dropped";
    EXPECT_EQ(area->get(0), "");
    ports().stopButton.setVisible(true);
    userActs();
    EXPECT_EQ(pump().waitEvent(2000, WaitPolicy::Listen, {}), WindowEvent::StopButton);
    EXPECT_EQ(pump().waitEvent(0, WaitPolicy::Loop, {}), WindowEvent::None);
    userActs();
    std::vector<WindowEvent> events;
    for (int i = 0; i < 4; ++i) events.push_back(pump().waitEvent(2000, WaitPolicy::Loop, {}));
    EXPECT_EQ(events, (std::vector<WindowEvent>{WindowEvent::OutputArea, WindowEvent::HelpButton,
                                                WindowEvent::StopButton, WindowEvent::Close}));
    EXPECT_EQ(area->get(0), "x");
    ShowWindow(main().stopButton(), SW_HIDE);
}

// A line on which a second byte arrives 40 ms after the wait began.
struct LateByte : SerialPort {
    DWORD start = GetTickCount();
    void writeByte(std::uint8_t) override {}
    std::optional<std::uint8_t> readByte() override { return std::nullopt; }
    std::size_t waiting() override { return GetTickCount() - start >= 40 ? 2 : 1; }
};

TEST_F(Win32Window, AWaitEndsWhenTheWatchedBytesWaitElseRunsItsTime) {
    struct Case {
        std::size_t bytes;
        std::uint32_t timeout;
        DWORD least, most;
    };
    for (const Case& c : {Case{2, 5000, 40, 1000}, Case{3, 300, 300, 1000}}) {
        LateByte line;
        EXPECT_EQ(pump().waitEvent(c.timeout, WaitPolicy::Command, {&line, c.bytes}),
                  WindowEvent::None);
        const DWORD took = GetTickCount() - line.start;
        EXPECT_GE(took, c.least);
        EXPECT_LT(took, c.most);
    }
}

TEST_F(Win32Window, TheHelpWindowShowsTheTextReadOnlyUntilItIsClosed) {
    win32ui::HelpWindowPort& help = window().help();
    ASSERT_TRUE(help.open(HelpLines()));
    RECT client, outer;
    GetClientRect(help.window(), &client);
    GetWindowRect(help.window(), &outer);
    EXPECT_EQ(TextOf(help.window()), "Hilfe f\xFCr Terminal Befehle");
    EXPECT_EQ(std::make_pair(client.right, client.bottom), std::make_pair(1100L, 860L));
    EXPECT_EQ(std::make_pair(outer.left, outer.top), std::make_pair(100L, 50L));
    EXPECT_EQ(GetWindowLongA(help.window(), GWL_STYLE) &
                  (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              0);
    EXPECT_EQ(Place(help.text()), "10 10 1080 840");
    EXPECT_TRUE(GetWindowLongA(help.text(), GWL_STYLE) & ES_READONLY);
    Text expected;
    for (const Text& line : HelpLines()) expected += line + "\r\n";
    TypeInto(help.text(), "x");
    Text shown(64 * 1024, '\0');
    shown.resize(std::size_t(GetWindowTextA(help.text(), shown.data(), int(shown.size()))));
    EXPECT_EQ(shown, expected);
    PostMessageA(help.window(), WM_CLOSE, 0, 0);
    // The console's loss of the focus to the help window may come first, as the loop sees it.
    WindowEvent event = WindowEvent::None;
    for (int i = 0; i < 5 && event != WindowEvent::Close; ++i) {
        event = pump().waitEvent(2000, WaitPolicy::Loop, {});
    }
    EXPECT_EQ(event, WindowEvent::Close);
    HWND gone = help.window();
    help.close();
    EXPECT_FALSE(IsWindow(gone));
}

TEST_F(Win32Window, TheTerminalRunsTypedCommandsOnAVirtualModem) {
    // The modem's model on the real clock, which the window's waits follow.
    win32::Win32Clock clock;
    sim::VirtualBench modem{clock};
    modem.addModem();
    Terminal terminal{window().ports(clock, modem, modem)};
    terminal.startUp();
    EXPECT_EQ(Lines(*area),
              "USB <> I2C Modem  Selmur und Vusk     Version: 2.20|!I2C-Speed (Hz): 100000|#|");
    EXPECT_EQ(TextOf(main().statusField()), "Online");
    // After STOP the keys go to the console, behind the new prompt, as the user types on.
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
        if (TextOf(main().messageLine()).starts_with("Modem lauscht, zum Beenden")) {
            Click(main().stopButton());
        }
    });
    for (const char* line : {"SET FILTER 0074\n", "LISTEN 0\n"}) {
        TypeInto(main().output(), line);
        while (pump().pending()) ASSERT_TRUE(terminal.runPass());
    }
    KillTimer(nullptr, timer);
    // The keyboard's characters go to the window that has the focus.
    HWND focus = GetFocus();
    for (char c : Text("GET VER\r")) PostMessageA(focus, WM_CHAR, WPARAM(BYTE(c)), 1);
    for (const DWORD end = GetTickCount() + 10000;
         GetTickCount() < end && !Lines(*area).ends_with("!Version: 2.20|#|");) {
        ASSERT_TRUE(terminal.runPass());
    }
    EXPECT_EQ(focus, main().output());
    EXPECT_EQ(TextOf(main().messageLine()), " ") << "the progress texts cleared";
    EXPECT_TRUE(Lines(*area).ends_with("|!LISTEN - ENDE ||#GET VER|!Version: 2.20|#|"))
        << Lines(*area);
}

}  // namespace
}  // namespace i2ct::test
