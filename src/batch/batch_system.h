#pragma once
// What the batch program's command line needs of the system, one file for each: the standard
// streams and the wait for input, and the log file.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace i2ct::batch {

// Lets standard output and error pass UTF-8 text and line ends on as they are written; on Linux
// a standard descriptor that came closed reads or writes nothing.
void PrepareStandardStreams();
// Whether a user types into standard input, so that it is read as a shell.
bool InteractiveInput();

// What ended a wait for input.
enum class Woken { Input, Time, Port };
// Waits up to ms for standard input to have something to read, or its end (Input). On Linux the
// wait also ends when the port's descriptor (-1: none) hangs up or, with arrivals, has bytes
// (Port); Ctrl-C ends it early (Time).
Woken AwaitInput(std::uint32_t ms, int port, bool arrivals);
// Reads what standard input has, at most size bytes, once AwaitInput found it; 0 at its end.
std::size_t ReadInput(char* buffer, std::size_t size);
// Creates or empties the log; nothing when the path names a link, or anything but an ordinary
// file of the user's own.
std::FILE* OpenLog(const std::string& path);

}  // namespace i2ct::batch
