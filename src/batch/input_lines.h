#pragma once
// Standard input line by line, in the program's own buffer: a stream's buffer would hold lines
// that a wait on the input could not see, and the program would sleep on them.

#include <functional>
#include <optional>
#include <string>

namespace i2ct::batch {

class InputLines {
  public:
    // The next line without its end; nothing at the end of the input, or when wait, which blocks
    // until the input may be read, returns false (Ctrl-C came instead). A last line without an
    // end counts.
    std::optional<std::string> next(const std::function<bool()>& wait);

  private:
    std::string buffer_;
    bool ended_ = false;
};

}  // namespace i2ct::batch
