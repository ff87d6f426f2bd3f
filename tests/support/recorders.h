#pragma once
// Doubles for the small window ports and the desktop: each records what is done to it.

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "platform/serial.h"
#include "platform/system.h"
#include "platform/window.h"

namespace i2ct::test {

inline std::string ColourName(Rgb b) {
    return b == colour::kGreen ? "green" : b == colour::kRed ? "red" : "yellow";
}

// Each change as "TEXT COLOUR", and the blinking's colours one by one.
class RecordingStatusField : public StatusField {
  public:
    void setStatus(const Text& t, Rgb b) override { shown.push_back(t + " " + ColourName(b)); }
    void setBackground(Rgb b) override { blinks += " " + ColourName(b); }
    std::vector<std::string> shown;
    std::string blinks;
};

// Every text with whether it is an error: its colour was set red just before. The colour itself
// stays red until the message line is cleared.
class RecordingMessageLine : public MessageLine {
  public:
    void setText(const Text& t) override {
        history.push_back({text = t, std::exchange(red, false)});
    }
    void setTextColour(Rgb c) override { red = (colour = c) == colour::kErrorRed; }
    void setBackground(Rgb b) override { background = b; }
    Text text;
    Rgb colour{}, background{};
    bool red = false;
    std::vector<std::pair<Text, bool>> history;
};

class FakeStopButton : public StopButton {
  public:
    void setVisible(bool v) override { shown += v ? " shown" : " hidden"; }
    std::string shown;
};

class FakeHelpWindow : public HelpWindow {
  public:
    bool open(const std::vector<Text>& l) override { return (lines = l, isOpen = true); }
    void close() override { isOpen = false; }
    std::vector<Text> lines;
    bool isOpen = false;
};

class FakeFileDialog : public FileDialog {
  public:
    Text openFile(const Text& t, const Text& f) override { return (title = t, filter = f, answer); }
    Text answer, title, filter;
};

class FakeOpener : public DocumentOpener {
  public:
    void open(const Text& path) override { opened.push_back(path); }
    std::vector<Text> opened;
};

// Loads a driver library only from the path found, by calling factory.
class FakeLibraryLoader : public LibraryLoader {
  public:
    Text currentDirectory() override { return directory; }
    char directorySeparator() override { return separator; }
    std::unique_ptr<DeviceDriver> load(const Text& path) override {
        attempts.push_back(path);
        return factory && path == found ? factory() : nullptr;
    }
    Text directory = "/home/user/terminal", found;
    char separator = '/';
    std::function<std::unique_ptr<DeviceDriver>()> factory;
    std::vector<Text> attempts;
};

}  // namespace i2ct::test
