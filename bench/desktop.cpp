#include "desktop.h"

// Xlib's macros (None, Status, Bool) would clash with the program's names, so Xlib is seen here
// only.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace i2ct::bench {

std::int64_t MonotonicMicroseconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return std::int64_t{t.tv_sec} * 1'000'000 + t.tv_nsec / 1000;
}

void SleepMs(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

TerminalProcess::TerminalProcess(const std::string& binary, const std::string& runtimeDir) {
    launchedAt_ = MonotonicMicroseconds();
    pid_ = fork();
    if (pid_ < 0) {
        throw std::runtime_error("cannot start " + binary);
    }
    if (pid_ == 0) {
        setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
        execl(binary.c_str(), binary.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
}

TerminalProcess::~TerminalProcess() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

namespace {

std::string ReadText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The number behind "name:" in a /proc status file, 0 when it is missing.
long long StatusValue(const std::string& status, const std::string& name) {
    const std::size_t at = status.find("\n" + name + ":");
    return at == std::string::npos ? 0 : std::atoll(status.c_str() + at + name.size() + 2);
}

}  // namespace

ProcessSample SampleProcess(pid_t pid) {
    ProcessSample sample;
    const std::string proc = "/proc/" + std::to_string(pid);
    // utime and stime are fields 14 and 15; the command name before them may hold blanks, so
    // the count starts behind its closing parenthesis (field 2).
    const std::string stat = ReadText(proc + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close != std::string::npos) {
        std::istringstream fields(stat.substr(close + 2));
        std::string field;
        double ticks = 0;
        for (int i = 3; i <= 15 && fields >> field; ++i) {
            if (i >= 14) {
                ticks += std::atof(field.c_str());
            }
        }
        sample.cpuMs = ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
    }
    if (DIR* tasks = opendir((proc + "/task").c_str())) {
        while (const dirent* entry = readdir(tasks)) {
            const pid_t tid = std::atoi(entry->d_name);
            if (tid <= 0) {
                continue;
            }
            const std::string status = ReadText(proc + "/task/" + entry->d_name + "/status");
            sample.switches[tid] = StatusValue(status, "voluntary_ctxt_switches") +
                                   StatusValue(status, "nonvoluntary_ctxt_switches");
        }
        closedir(tasks);
    }
    return sample;
}

long long SwitchesBetween(const ProcessSample& before, const ProcessSample& after, pid_t pid,
                          bool mainOnly) {
    long long total = 0;
    for (const auto& [tid, count] : after.switches) {
        if (mainOnly && tid != pid) {
            continue;
        }
        // A thread that started in between counts from zero; one that ended is lost, which
        // the program's threads, all started at launch, never do.
        const auto earlier = before.switches.find(tid);
        total += count - (earlier == before.switches.end() ? 0 : earlier->second);
    }
    return total;
}

struct XScreen::Impl {
    Display* display = nullptr;
    Atom netName = 0;

    // The title from _NET_WM_NAME, or from WM_NAME in whatever encoding it has.
    std::string title(Window w) const {
        for (const Atom property : {netName, Atom{XA_WM_NAME}}) {
            Atom type = 0;
            int format = 0;
            unsigned long count = 0;
            unsigned long after = 0;
            unsigned char* data = nullptr;
            if (XGetWindowProperty(display, w, property, 0, 1024, False, AnyPropertyType, &type,
                                   &format, &count, &after, &data) == Success &&
                data != nullptr) {
                std::string text(reinterpret_cast<char*>(data), format == 8 ? count : 0);
                XFree(data);
                if (!text.empty()) {
                    return text;
                }
            }
        }
        return {};
    }
};

namespace {

// A window that went away between two requests is no reason to end the benchmark: the request
// that failed returns nothing.
int IgnoreError(Display*, XErrorEvent*) {
    return 0;
}

}  // namespace

XScreen::XScreen() : impl_(new Impl) {
    XSetErrorHandler(IgnoreError);
    impl_->display = XOpenDisplay(nullptr);
    if (impl_->display == nullptr) {
        delete impl_;
        throw std::runtime_error("no X server on $DISPLAY");
    }
    impl_->netName = XInternAtom(impl_->display, "_NET_WM_NAME", False);
}

XScreen::~XScreen() {
    XCloseDisplay(impl_->display);
    delete impl_;
}

unsigned long XScreen::findWindow(std::string_view title) {
    Display* d = impl_->display;
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(d, DefaultRootWindow(d), &root, &parent, &children, &count) == 0) {
        return 0;
    }
    Window found = 0;
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(d, children[i], &attributes) != 0 &&
            attributes.map_state == IsViewable && impl_->title(children[i]).starts_with(title)) {
            found = children[i];
        }
    }
    if (children != nullptr) {
        XFree(children);
    }
    return found;
}

namespace {

// Where a colour channel sits in a pixel value of the screen's visual.
int Shift(unsigned long mask) {
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

}  // namespace

double XScreen::share(unsigned long window, Area area, const std::vector<Rgb>& colours) {
    Display* d = impl_->display;
    XImage* image = XGetImage(d, window, area.x, area.y, static_cast<unsigned>(area.width),
                              static_cast<unsigned>(area.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return 0;
    }
    const int r = Shift(image->red_mask);
    const int g = Shift(image->green_mask);
    const int b = Shift(image->blue_mask);
    int matching = 0;
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            const Rgb seen{static_cast<std::uint8_t>((pixel & image->red_mask) >> r),
                           static_cast<std::uint8_t>((pixel & image->green_mask) >> g),
                           static_cast<std::uint8_t>((pixel & image->blue_mask) >> b)};
            matching += std::find(colours.begin(), colours.end(), seen) != colours.end();
        }
    }
    XDestroyImage(image);
    return matching / double(area.width * area.height);
}

bool XScreen::painted(unsigned long window) {
    // The text in either field covers well under half of it.
    return share(window, kStatusField, {colour::kRed, colour::kGreen, colour::kYellow}) > 0.5 &&
           share(window, kMessageLine, {colour::kGrey}) > 0.5;
}

bool XScreen::savePicture(unsigned long window, const std::string& path) {
    Display* d = impl_->display;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(d, window, &attributes) == 0) {
        return false;
    }
    XImage* image = XGetImage(d, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return false;
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out != nullptr) {
        std::fprintf(out, "P6\n%d %d\n255\n", attributes.width, attributes.height);
        for (int y = 0; y < attributes.height; ++y) {
            for (int x = 0; x < attributes.width; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                const unsigned char rgb[3] = {
                    static_cast<unsigned char>((pixel & image->red_mask) >> Shift(image->red_mask)),
                    static_cast<unsigned char>((pixel & image->green_mask) >>
                                               Shift(image->green_mask)),
                    static_cast<unsigned char>((pixel & image->blue_mask) >>
                                               Shift(image->blue_mask))};
                std::fwrite(rgb, 1, 3, out);
            }
        }
        std::fclose(out);
    }
    XDestroyImage(image);
    return out != nullptr;
}

namespace {

// Runs xdotool with these arguments and waits for it. Without a window manager it complains
// about the input focus; the keys arrive all the same, so its standard error is dropped.
bool Xdotool(std::vector<std::string> arguments) {
    arguments.insert(arguments.begin(), "xdotool");
    std::vector<char*> argv;
    for (std::string& a : arguments) argv.push_back(a.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int failed = posix_spawnp(&pid, "xdotool", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    return failed == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

}  // namespace

bool TypeLine(unsigned long window, const std::string& line) {
    const std::string id = std::to_string(window);
    return Xdotool({"type", "--delay", "30", "--window", id, line}) &&
           Xdotool({"key", "--window", id, "Return"});
}

std::vector<WireChunk> ReadWireLog(const std::string& path) {
    std::vector<WireChunk> chunks;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        std::istringstream fields(line);
        WireChunk chunk{};
        std::string side;
        if (!(fields >> chunk.at >> side)) {
            continue;
        }
        chunk.fromHost = side == "host";
        for (unsigned byte = 0; fields >> std::hex >> byte;) {
            chunk.bytes.push_back(static_cast<std::uint8_t>(byte));
        }
        chunks.push_back(std::move(chunk));
    }
    return chunks;
}

Spread SpreadOf(std::vector<double> values) {
    if (values.empty()) {
        return {};
    }
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    const double median = n % 2 == 1 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
    return {median, values.front(), values.back()};
}

}  // namespace i2ct::bench
