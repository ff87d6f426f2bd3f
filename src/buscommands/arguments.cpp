#include "buscommands/arguments.h"

#include "core/console.h"
#include "interpreter/hex.h"
#include "interpreter/tail.h"

namespace i2ct {
namespace {

constexpr std::size_t kAddressDigits = 4;
// Data bytes go to positions 4 and up; the 125th fills position 128 and makes the length byte
// 127, the largest a Frame carries.
constexpr std::size_t kLastDataPosition = 128;

void refuse(Program& p, const BusCommandProfile& profile, const Text& message) {
    PrintLine(p, profile.echoPrefix, LineKind::Echo);
    ShowMessage(p, message);
}

void reportOffendingCharacter(Program& p, const BusCommandProfile& profile, const Text& argument,
                              std::size_t position) {
    const auto blanks = static_cast<std::size_t>(static_cast<int>(position) + profile.caretBlanks);
    PrintLine(p, "?   " + Text(blanks, ' ') + "^", LineKind::Spaced);
    PrintLine(p, profile.echoPrefix + argument.substr(0, position - 1), LineKind::Echo);
    ShowError(p, cp1252(" An der Stelle  ^ steht ein nicht zulässiges Zeichen!"));
}

// The checks on the text alone; true when the text may become a request.
bool checkText(Program& p, const BusCommandProfile& profile, const Text& argument) {
    bool accepted = false;
    if (const std::size_t offending = CheckHexChars(argument); offending > 0) {
        reportOffendingCharacter(p, profile, argument, offending);
    } else if (argument.empty()) {
        refuse(p, profile, profile.emptyMessage);
    } else if (argument.size() < kAddressDigits) {
        refuse(p, profile, cp1252("Die Adresse des Slave muß 2 Byte (4 Hexziffern) lang sein"));
    } else if (const std::size_t fault = CheckHexLayout(argument); fault == 0) {
        accepted = true;
    } else if (fault <= kAddressDigits + 1) {
        refuse(p, profile, profile.addressFaultMessage);
    } else {
        refuse(p, profile, profile.dataFaultMessage);
    }
    // Judged whatever came before, so a faulty text that is also too long gets both reports.
    if (argument.size() > profile.longestArgument) {
        refuse(p, profile, profile.tooLongMessage);
        accepted = false;
    }
    return accepted;
}

// The data bytes of a write, for positions 4 and up of the request; false when there are too
// many.
bool putDataBytes(Program& p, const BusCommandProfile& profile, Text& bytePart,
                  BusArguments& arguments) {
    std::size_t position = 3;
    do {
        ++position;
        arguments.data.push_back(HexByteValue(bytePart));
        bytePart.erase(0, 2);
        RemoveLeadingBlanks(bytePart);
    } while (!bytePart.empty() && position <= kLastDataPosition);
    if (position > kLastDataPosition) {
        refuse(p, profile, cp1252("Es dürfen max. 128 Byte auf einmal geschrieben werden!"));
        return false;
    }
    return true;
}

bool putCount(Program& p, const BusCommandProfile& profile, const Text& bytePart,
              BusArguments& arguments) {
    arguments.count = HexByteValue(bytePart);
    if (arguments.count > profile.largestCount) {
        refuse(p, profile, profile.countTooLargeMessage);
        return false;
    }
    return true;
}

}  // namespace

BusCommandProfile WriteProfile() {
    return {
        .echoPrefix = "?WR ",
        .caretBlanks = -1,
        .emptyMessage = cp1252("Adresse und Daten müssen noch angegeben werden!    Beispiel:  "
                               "#WR 0012 34 56 FF FD..."),
        .addressFaultMessage =
            "Die Adresse des Slave weist einen Fehler auf!    Beispiel: #WR 0012..",
        .dataFaultMessage =
            "Der Datenteil weist einen Fehler auf!    Beispiel: #WR 0012 0F DE 02 "
            "12 45....",
        .longestArgument = std::numeric_limits<std::size_t>::max(),
        .tooLongMessage = {},
        .readWriteBit = 0,
        .bitMessage = "In der Adresse ist das Bit 0 gesetzt! Dies bedeutet Lesen nicht Schreiben!",
        .dataBytes = true,
        .missingMessage = "Es fehlen die Daten die geschrieben werden sollen!",
        .largestCount = 0xFF,
        .countTooLargeMessage = {},
    };
}

BusCommandProfile ReadProfile() {
    return {
        .echoPrefix = "?RD ",
        .caretBlanks = -1,
        .emptyMessage = cp1252("Adresse und Anzahl müssen noch angegeben werden!    Beispiel:  "
                               "#RD 0012 34"),
        .addressFaultMessage =
            "Die Adresse des Slave weist einen Fehler auf!    Beispiel: #RD 0012..",
        .dataFaultMessage =
            "Der Datenteil weist einen Fehler auf!    Beispiel: #RD 0012 0F DE 02 "
            "12 45....",
        .longestArgument = 8,
        .tooLongMessage =
            "READ-Befehl zu lang!    Beispiel:  #RD 0012 34  (0012 Adresse, 34 "
            "Anzahl Bytes)",
        .readWriteBit = 1,
        .bitMessage = cp1252("In der Adresse ist das Bit 0 gelöscht! Dies bedeutet Schreiben "
                             "nicht Lesen!"),
        .dataBytes = false,
        .missingMessage = "Es fehlt die Anzahl der Bytes die gelesen werden sollen!",
        // A reply Frame carries at most 127 data bytes; more would be read as none, and the rest
        // of the reply would corrupt the next exchange.
        .largestCount = 0x7F,
        .countTooLargeMessage = cp1252("Es dürfen max. 127 Byte auf einmal gelesen werden!"),
    };
}

BusCommandProfile LoadTableProfile() {
    return {
        .echoPrefix = "?LDTB ",
        .caretBlanks = 1,
        .emptyMessage = cp1252("Adresse und Daten müssen noch angegeben werden!    Beispiel:  "
                               "#LDTB 0012 04"),
        .addressFaultMessage =
            "Die Adresse des Slave weist einen Fehler auf!    Beispiel: #LDTB "
            "0012..",
        .dataFaultMessage = "Der Datenteil weist einen Fehler auf!    Beispiel: #WR 0012 04",
        .longestArgument = 8,
        .tooLongMessage =
            "Befehl zu lang!    Beispiel:  #LDTB 0012 04  (0012 Adresse, 04 max. "
            "Anzahl Bytes)",
        .readWriteBit = 1,
        .bitMessage = cp1252("In der Adresse ist das Bit 0 gelöscht! Dies bedeutet Schreiben "
                             "nicht Lesen!"),
        .dataBytes = false,
        .missingMessage =
            "Es fehlt die Anzahl der Bytes die bei einem Interrupt gelesen werden "
            "sollen!",
        // The modem judges the count of an entry itself.
        .largestCount = 0xFF,
        .countTooLargeMessage = {},
    };
}

bool ParseBusArguments(Program& p, const BusCommandProfile& profile, BusArguments& arguments) {
    Text& argument = p.commandTail;
    DropFirstWord(argument);
    if (!checkText(p, profile, argument)) {
        return false;
    }
    arguments.address.high = HexByteValue(argument);
    arguments.address.byte = HexByteValue(std::string_view(argument).substr(2));
    if ((arguments.address.byte & 0x01) != profile.readWriteBit) {
        PrintLine(p, profile.echoPrefix, LineKind::Echo);
        ShowError(p, profile.bitMessage);
        return false;
    }
    const Text address = argument.substr(0, kAddressDigits + 1);
    Text bytePart = argument;
    RemoveAll(bytePart, address);
    if (bytePart.empty()) {
        PrintLine(p, profile.echoPrefix + address, LineKind::Echo);
        ShowMessage(p, profile.missingMessage);
        return false;
    }
    return profile.dataBytes ? putDataBytes(p, profile, bytePart, arguments)
                             : putCount(p, profile, bytePart, arguments);
}

}  // namespace i2ct
