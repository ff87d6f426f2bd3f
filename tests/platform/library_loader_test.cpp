#include "platform/linux/library_loader.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <system_error>

#include "scratch_directory.h"

namespace i2ct::linux_platform {
namespace {

TEST(LinuxLibraryLoader, CurrentDirectoryIsTheWorkingDirectory) {
    testing::ScratchDirectory scratch;
    const std::filesystem::path before = std::filesystem::current_path();
    const std::string inside = scratch.directory("Start Verzeichnis");
    ASSERT_EQ(chdir(inside.c_str()), 0);
    const Text directory = LinuxLibraryLoader().currentDirectory();
    std::filesystem::current_path(before);

    EXPECT_EQ(directory, inside);
}

TEST(LinuxLibraryLoader, SeparatorIsTheSlash) {
    EXPECT_EQ(LinuxLibraryLoader().directorySeparator(), '/');
}

TEST(LinuxLibraryLoader, EveryLoadBindsTheBuiltInDriver) {
    LinuxLibraryLoader loader;
    EXPECT_NE(loader.load("/nowhere/ftd2xx.dll"), nullptr);
    EXPECT_NE(loader.load(""), nullptr);
}

}  // namespace
}  // namespace i2ct::linux_platform
