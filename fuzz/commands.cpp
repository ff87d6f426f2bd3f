// Command lines typed as users type them, one a line, through the dispatcher and every handler,
// against the simulated modem's firmware.

#include "player.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    i2ct::test::Player player(true);
    player.watch();
    player.play(i2ct::test::Block(0, "start"), true);
    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (int n = 0; n < 8 && !input.empty(); ++n) {
        const std::size_t end = std::min(input.find('\n'), input.size());
        i2ct::test::Block typed(0, "> " + std::string(input.substr(0, end)));
        typed.raw = true;
        player.play(typed);
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    return 0;
}
