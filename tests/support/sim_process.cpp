#include "sim_process.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <stdexcept>

namespace i2ct::test {

SimProcess::SimProcess(const std::string& binary, const std::string& runtimeDir,
                       const std::vector<std::string>& arguments) {
    std::vector<char*> argv{const_cast<char*>(binary.c_str())};
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    int in[2], out[2];
    // Close-on-exec, so that the simulator holds no end of its own standard input open.
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || (pid_ = fork()) < 0) {
        throw std::runtime_error("cannot start i2c-modem-sim");
    }
    if (pid_ == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        setenv("XDG_RUNTIME_DIR", runtimeDir.c_str(), 1);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    toChild_ = fdopen(in[1], "w");
    fromChild_ = fdopen(out[0], "r");
    while (port_.empty()) line();
}

SimProcess::~SimProcess() {
    std::fclose(toChild_);
    waitpid(pid_, nullptr, 0);
    std::fclose(fromChild_);
}

std::string SimProcess::send(const std::string& command) {
    std::fprintf(toChild_, "%s\n", command.c_str());
    std::fflush(toChild_);
    std::string answer = line();
    while (!answer.starts_with("ok") && !answer.starts_with("error")) answer = line();
    return answer;
}

std::string SimProcess::line() {
    char text[4096];
    if (std::fgets(text, sizeof text, fromChild_) == nullptr) {
        throw std::runtime_error("i2c-modem-sim has ended");
    }
    const std::string read(text, std::strcspn(text, "\n"));
    if (read.starts_with("port ")) {
        port_ = read.substr(5);
    }
    return read;
}

}  // namespace i2ct::test
