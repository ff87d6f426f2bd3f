# Cross-compiles for 64-bit Windows with Debian's mingw-w64 GCC. The posix flavour, because the
# win32 one has no std::thread or std::mutex.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

# Headers and libraries come from the mingw tree only, never from the build machine's.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ runtime and winpthreads go into each .exe and .dll, so that none needs DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# Test programs and gtest_discover_tests run the .exe files under Wine. Without 32-bit Wine,
# Debian's wine wrapper starts the wine64 loader (and warns unless WINEDEBUG is -all).
find_program(I2CT_WINE NAMES wine64 wine)
if(I2CT_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${I2CT_WINE})
endif()
