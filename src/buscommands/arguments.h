#pragma once
// The argument front half that WR, RD and LDTB share: the address and the byte values behind
// the command word are checked in a fixed order, every fault is reported to the user, and an
// accepted text becomes the request's values. A profile holds what differs between the commands.

#include <cstddef>
#include <cstdint>
#include <limits>

#include <vector>

#include "core/program.h"
#include "modem/operations.h"

namespace i2ct {

struct BusCommandProfile {
    Text echoPrefix;           // "?WR ": starts every echo line of a refusal
    int caretBlanks = 0;       // added to the offending position for the caret line
    Text emptyMessage;         // no argument at all
    Text addressFaultMessage;  // layout fault within the four address digits
    Text dataFaultMessage;     // layout fault behind the address
    // The longest argument text; the largest value when the command has no limit of its own.
    std::size_t longestArgument = std::numeric_limits<std::size_t>::max();
    Text tooLongMessage;
    std::uint8_t readWriteBit{};  // the bit 0 the slave address byte must carry
    Text bitMessage;
    bool dataBytes = false;  // true: 1 to 125 data bytes follow; false: one count byte
    Text missingMessage;     // an address with nothing behind it
    std::uint8_t largestCount = 0xFF;
    Text countTooLargeMessage;
};

BusCommandProfile WriteProfile();
BusCommandProfile ReadProfile();
BusCommandProfile LoadTableProfile();

// What an accepted argument text asks for.
struct BusArguments {
    SlaveAddress address;
    std::vector<std::uint8_t> data;  // the bytes of a write
    std::uint8_t count = 0;          // the count of the others
};

// Takes the argument text from the command tail and checks it. True when `arguments` holds the
// complete request; false when the command was refused (its reports are given and nothing is to
// be sent).
bool ParseBusArguments(Program& p, const BusCommandProfile& profile, BusArguments& arguments);

}  // namespace i2ct
