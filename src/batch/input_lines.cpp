#include "batch/input_lines.h"

#include <utility>

#include "batch/batch_system.h"

namespace i2ct::batch {

std::optional<std::string> InputLines::next(const std::function<bool()>& wait) {
    for (;;) {
        if (const std::size_t end = buffer_.find('\n'); end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            return line;
        }
        if (ended_) {
            return buffer_.empty() ? std::nullopt : std::optional(std::exchange(buffer_, {}));
        }
        if (!wait()) {
            return std::nullopt;
        }
        char chunk[4096];
        const std::size_t got = ReadInput(chunk, sizeof chunk);
        ended_ = got == 0;
        buffer_.append(chunk, got);
    }
}

}  // namespace i2ct::batch
