#pragma once
// Doubles for the small window ports and the desktop: each records what is done to it.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/serial.h"
#include "platform/system.h"
#include "platform/window.h"

namespace i2ct::test {

class RecordingStatusField : public StatusField {
  public:
    void setStatus(const Text& t, Rgb b) override {
        text = t;
        background = b;
        history.push_back({t, b});
    }
    void setBackground(Rgb b) override {
        background = b;
        history.push_back({text, b});
    }
    struct Entry {
        Text text;
        Rgb background;
    };
    Text text;
    Rgb background{};
    std::vector<Entry> history;
};

class RecordingMessageLine : public MessageLine {
  public:
    void setText(const Text& t) override {
        text = t;
        history.push_back(t);
    }
    void setTextColour(Rgb c) override { colour = c; }
    void setBackground(Rgb b) override { background = b; }
    Text text;
    Rgb colour{};
    Rgb background{};
    std::vector<Text> history;
};

class FakeStopButton : public StopButton {
  public:
    void setVisible(bool v) override {
        visible = v;
        ++changes;
    }
    bool visible = false;
    int changes = 0;
};

class FakeHelpWindow : public HelpWindow {
  public:
    bool open(const std::vector<Text>& l) override {
        lines = l;
        isOpen = true;
        ++opened;
        return true;
    }
    void close() override { isOpen = false; }
    std::vector<Text> lines;
    bool isOpen = false;
    int opened = 0;
};

class FakeFileDialog : public FileDialog {
  public:
    Text openFile(const Text& t, const Text& f) override {
        title = t;
        filter = f;
        ++shown;
        return answer;
    }
    Text answer;
    Text title;
    Text filter;
    int shown = 0;
};

class FakeOpener : public DocumentOpener {
  public:
    void open(const Text& path) override { opened.push_back(path); }
    std::vector<Text> opened;
};

// Binds driver libraries by path: load(path) calls the factory registered for that path.
class FakeLibraryLoader : public LibraryLoader {
  public:
    Text currentDirectory() override { return directory; }
    char directorySeparator() override { return separator; }
    std::unique_ptr<DeviceDriver> load(const Text& path) override {
        attempts.push_back(path);
        for (auto& [p, factory] : libraries) {
            if (p == path) {
                return factory();
            }
        }
        return nullptr;
    }
    Text directory = "/home/user/terminal";
    char separator = '/';
    std::vector<std::pair<Text, std::function<std::unique_ptr<DeviceDriver>()>>> libraries;
    std::vector<Text> attempts;
};

// A serial side where nothing can be opened.
class NoSerialPorts : public SerialPorts {
  public:
    std::unique_ptr<SerialPort> open(const Text& definition) override {
        definitions.push_back(definition);
        return nullptr;
    }
    std::vector<Text> definitions;
};

}  // namespace i2ct::test
