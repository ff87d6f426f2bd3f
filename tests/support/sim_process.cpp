#include "sim_process.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

namespace i2ct::test {

SimProcess::SimProcess(const std::string& binary, const std::string& runtimeDir,
                       const std::vector<std::string>& arguments) {
    int in[2];
    int out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        throw std::runtime_error("pipe");
    }
    pid_ = fork();
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        close(in[1]);
        close(out[0]);
        setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(binary.c_str()));
        for (const std::string& a : arguments) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toChild_ = in[1];
    fromChild_ = out[0];
    const std::string line = waitForLine("port ", std::chrono::seconds(10));
    if (line.empty()) {
        throw std::runtime_error("i2c-modem-sim printed no port");
    }
    port_ = line.substr(5);
}

SimProcess::~SimProcess() {
    if (pid_ > 0) {
        const std::string quit = "quit\n";
        if (write(toChild_, quit.data(), quit.size()) < 0) {
            kill(pid_, SIGTERM);
        }
        // The simulator removes its device file on the way out; give it a moment, then insist.
        for (int i = 0; i < 200; ++i) {
            if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
                pid_ = -1;
                break;
            }
            poll(nullptr, 0, 10);
        }
        if (pid_ > 0) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    close(toChild_);
    close(fromChild_);
}

std::string SimProcess::send(const std::string& command) {
    const std::string line = command + "\n";
    if (write(toChild_, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
        return {};
    }
    for (;;) {
        const std::string answer = waitForLine("", std::chrono::seconds(10));
        if (answer.empty() || answer.rfind("ok", 0) == 0 || answer.rfind("error", 0) == 0) {
            return answer;
        }
        if (answer.rfind("port ", 0) == 0) {
            port_ = answer.substr(5);
        }
    }
}

std::string SimProcess::waitForLine(const std::string& prefix, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        std::size_t end;
        while ((end = buffer_.find('\n')) != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            if (!line.empty() && line.rfind(prefix, 0) == 0) {
                return line;
            }
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return {};
        }
        pollfd fd{fromChild_, POLLIN, 0};
        if (poll(&fd, 1, static_cast<int>(left.count())) <= 0) {
            return {};
        }
        char chunk[512];
        const ssize_t n = read(fromChild_, chunk, sizeof chunk);
        if (n <= 0) {
            return {};
        }
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

}  // namespace i2ct::test
