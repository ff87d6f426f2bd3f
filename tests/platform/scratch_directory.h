#pragma once
// A temporary directory that the test fills with files, directories and links, removed again
// when the test ends.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

namespace i2ct::linux_platform::testing {

class ScratchDirectory {
  public:
    ScratchDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "i2ct-platform-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot make a temporary directory");
        }
        path_ = std::filesystem::canonical(pattern).string();
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& path() const { return path_; }
    std::string at(const std::string& relative) const { return path_ + "/" + relative; }

    std::string directory(const std::string& relative) const {
        std::filesystem::create_directories(at(relative));
        return at(relative);
    }
    std::string file(const std::string& relative, const std::string& content) const {
        std::filesystem::create_directories(std::filesystem::path(at(relative)).parent_path());
        std::ofstream(at(relative), std::ios::binary) << content;
        return at(relative);
    }
    // A symbolic link at relative that points to the absolute target.
    void link(const std::string& relative, const std::string& target) const {
        std::filesystem::create_directories(std::filesystem::path(at(relative)).parent_path());
        std::filesystem::create_directory_symlink(target, at(relative));
    }

  private:
    std::string path_;
};

}  // namespace i2ct::linux_platform::testing
