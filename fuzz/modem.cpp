// Whatever the modem sends, in every situation that reads from it: each command, the keep-alive
// probe, interrupt monitoring with its unasked event Frames, and both kinds of LISTEN. The first
// byte picks the situation; the rest are the modem's bytes in chunks, each a head byte (low half:
// the delay after the chunk before, high half: the length less one) and then its bytes.

#include "player.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using i2ct::test::Block;
    static const std::vector<std::string> commands =
        i2ct::test::Split(std::string(i2ct::test::kCommands), "|");
    // After the commands: the idle line, then monitoring that the healthy modem switched on.
    const std::size_t situation = size > 0 ? data[0] % (commands.size() + 2) : 0;
    i2ct::test::Player player(false);
    player.watch();
    player.play(Block(0, "start"), true);
    if (situation > commands.size()) {
        for (const char* t : {"> LDTB 0041 01", "> CHKINT EIN"}) player.play(Block(0, t), true);
    }
    Block b(0, situation < commands.size() ? "> " + commands[situation] : "wait 7000");
    i2ct::Tick at = 0;
    for (std::size_t i = 1; i < size;) {
        const unsigned head = data[i++];
        at += (head & 15) * (head & 15) * 8;
        const std::size_t end = std::min(size, i + (head >> 4) + 1);
        b.unasked.push_back({at, i2ct::test::Bytes(data + i, data + end)});
        i = end;
    }
    player.play(b);
    player.play(Block(0, "wait 1000"));
    return 0;
}
