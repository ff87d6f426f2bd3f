// Random argument texts through the front half of WR, RD and LDTB. Whatever is typed, the front
// half stays inside the FrameBuffer and ends in exactly one outcome: an accepted, well-formed
// request that an independent reading of the grammar agrees with, or a refusal with one echo
// line and one of the profile's messages.

#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <random>
#include <set>

#include "buscommands/arguments.h"
#include "core/console.h"
#include "rig.h"

namespace i2ct::test {
namespace {

constexpr int kCasesPerCommand = 4000;
constexpr std::uint32_t kSeed = 0x12C0FFEE;

struct Command {
    Text word;
    BusCommandProfile profile;
};

// Characters the user might type: hex digits in both cases, blanks, the other letters (the
// command words among them), tabs, signs and Windows-1252 letters beyond ASCII.
const Text kAlphabet = Text("0123456789abcdefABCDEF      GHIJKLMNOPQRSTUVWXYZwrdltb\t$%-+#?") +
                       cp1252("äöüß´") + "\x81\xFF";

class Generator {
  public:
    explicit Generator(std::uint32_t seed) : rng_(seed) {}

    Text text() { return pick(3) == 0 ? randomText() : nearlyValidText(); }

  private:
    std::size_t pick(std::size_t n) {
        return std::uniform_int_distribution<std::size_t>(0, n - 1)(rng_);
    }
    char anyCharacter() { return kAlphabet[pick(kAlphabet.size())]; }
    char hexDigit() { return "0123456789abcdefABCDEF"[pick(22)]; }

    Text randomText() {
        Text t(pick(301), ' ');
        for (char& c : t) {
            c = anyCharacter();
        }
        return t;
    }

    // An address and byte groups, with a few typing mistakes; long enough to pass 125 bytes.
    Text nearlyValidText() {
        Text t;
        for (int i = 0; i < 4; ++i) {
            t += hexDigit();
        }
        const std::size_t groups = pick(4) == 0 ? pick(131) : pick(3);
        for (std::size_t i = 0; i < groups; ++i) {
            t += ' ';
            t += hexDigit();
            t += hexDigit();
        }
        if (pick(4) == 0) {
            t += ' ';
        }
        for (std::size_t mistakes = pick(4) == 0 ? pick(3) + 1 : 0; mistakes > 0; --mistakes) {
            const std::size_t at = pick(t.size() + 1);
            switch (pick(3)) {
                case 0:
                    t.insert(at, 1, anyCharacter());
                    break;
                case 1:
                    if (at < t.size()) {
                        t.erase(at, 1);
                    }
                    break;
                default:
                    if (at < t.size()) {
                        t[at] = anyCharacter();
                    }
                    break;
            }
        }
        return t;
    }

    std::mt19937 rng_;
};

int hexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

std::uint8_t pairValue(char high, char low) {
    return static_cast<std::uint8_t>(hexValue(high) * 16 + hexValue(low));
}

// The argument text as the user means it: the command word removed wherever it stands, in one
// pass from the left, then the leading blanks.
Text argumentOf(const Text& word, const Text& tail) {
    Text out;
    for (std::size_t i = 0; i < tail.size();) {
        if (tail.compare(i, word.size(), word) == 0) {
            i += word.size();
        } else {
            out += tail[i++];
        }
    }
    return out.substr(std::min(out.find_first_not_of(' '), out.size()));
}

// The request an accepted text must give, read straight from the grammar: four hex digits,
// groups of a blank and two hex digits, at most one blank at the end.
std::optional<Bytes> expectedRequest(const Text& argument, const BusCommandProfile& profile) {
    if (argument.size() < 4) {
        return std::nullopt;
    }
    for (std::size_t i = 0; i < 4; ++i) {
        if (hexValue(argument[i]) < 0) {
            return std::nullopt;
        }
    }
    Bytes values;
    std::size_t i = 4;
    while (i + 3 <= argument.size() && argument[i] == ' ' && hexValue(argument[i + 1]) >= 0 &&
           hexValue(argument[i + 2]) >= 0) {
        values.push_back(pairValue(argument[i + 1], argument[i + 2]));
        i += 3;
    }
    const bool endsWell = i == argument.size() || (i + 1 == argument.size() && argument[i] == ' ');
    const bool rightCount =
        profile.dataBytes ? !values.empty() && values.size() <= 125 : values.size() == 1;
    const std::uint8_t slave = pairValue(argument[2], argument[3]);
    if (!endsWell || !rightCount || (slave & 0x01) != profile.readWriteBit ||
        (!profile.dataBytes && values[0] > profile.largestCount)) {
        return std::nullopt;
    }
    Bytes request{profile.kind, static_cast<std::uint8_t>(2 + values.size()), slave,
                  pairValue(argument[0], argument[1])};
    request.insert(request.end(), values.begin(), values.end());
    request.push_back(0x04);
    return request;
}

std::set<Text> messagesOf(const BusCommandProfile& profile) {
    std::set<Text> all{profile.emptyMessage,
                       profile.addressFaultMessage,
                       profile.dataFaultMessage,
                       profile.bitMessage,
                       profile.missingMessage,
                       cp1252(" An der Stelle  ^ steht ein nicht zulässiges Zeichen!"),
                       cp1252("Die Adresse des Slave muß 2 Byte (4 Hexziffern) lang sein")};
    if (profile.longestArgument > 0) {
        all.insert(profile.tooLongMessage);
    }
    if (profile.dataBytes) {
        all.insert(cp1252("Es dürfen max. 128 Byte auf einmal geschrieben werden!"));
    } else if (profile.largestCount < 0xFF) {
        all.insert(profile.countTooLargeMessage);
    }
    return all;
}

bool startsWith(const Text& text, const Text& prefix) {
    return text.rfind(prefix, 0) == 0;
}

// Runs one text and checks its outcome; returns the outcome's name for the coverage count.
Text runCase(const Command& command, const Text& text) {
    Rig rig;
    Program p(rig.ports());
    // Sentinels in the state that lies behind the FrameBuffer.
    p.transferByte = 0xA5;
    p.FirmwareVersion = 2.5f;
    p.busClock = 4711;
    p.PromptChar = Text(1, '#');
    const Text tail = command.word + " " + text;
    rig.output.append("#" + tail);
    rig.output.append("");
    RefreshSnapshot(p);
    p.CurrentLine = 0;
    p.commandTail = tail;

    const bool accepted = ParseBusArguments(p, command.profile);

    const std::optional<Bytes> expected =
        expectedRequest(argumentOf(command.word, tail), command.profile);
    EXPECT_EQ(p.transferByte, 0xA5);
    EXPECT_EQ(p.FirmwareVersion, 2.5f);
    EXPECT_EQ(p.busClock, 4711);
    EXPECT_TRUE(rig.modem.written().empty());
    EXPECT_EQ(accepted, expected.has_value());
    const std::vector<Text> lines = rig.lines();
    if (accepted && expected) {
        const std::size_t length = expected->size();
        EXPECT_EQ(Bytes(p.frame.begin(), p.frame.begin() + static_cast<long>(length)), *expected);
        for (std::size_t i = length; i < p.frame.size(); ++i) {
            EXPECT_EQ(p.frame[i], 0) << "position " << i;
        }
        EXPECT_EQ(lines, (std::vector<Text>{"#" + tail, ""}));
        EXPECT_TRUE(rig.message.history.empty());
        return "accepted";
    }
    // No request reaches beyond the longest write, refused or not.
    for (std::size_t i = 130; i < p.frame.size(); ++i) {
        EXPECT_EQ(p.frame[i], 0) << "position " << i;
    }
    EXPECT_TRUE(lines.size() == 2 || lines.size() == 3) << text;
    const Text& echo = lines.back();
    EXPECT_TRUE(startsWith(echo, command.profile.echoPrefix)) << text;
    if (lines.size() == 3) {
        const Text& caret = lines[1];
        EXPECT_TRUE(startsWith(caret, "?   ")) << text;
        EXPECT_EQ(caret.back(), '^');
        EXPECT_EQ(caret.find_first_not_of(' ', 1), caret.size() - 1);
    }
    const std::set<Text> known = messagesOf(command.profile);
    EXPECT_TRUE(known.count(rig.message.text) == 1) << text;
    // Only a text that is both faulty and too long gets a second report.
    const bool twice = rig.message.history.size() == 2;
    EXPECT_TRUE(rig.message.history.size() == 1 ||
                (twice && rig.message.text == command.profile.tooLongMessage))
        << text;
    return lines.size() == 3 ? Text("caret") : rig.message.text;
}

class BusArgumentsFuzz : public ::testing::TestWithParam<Text> {
  protected:
    static Command command(const Text& word) {
        if (word == "WR") {
            return {word, WriteProfile()};
        }
        if (word == "RD") {
            return {word, ReadProfile()};
        }
        return {word, LoadTableProfile()};
    }
};

TEST_P(BusArgumentsFuzz, EveryTextEndsInOneOutcomeInsideTheFrameBuffer) {
    const Command c = command(GetParam());
    Generator generator(kSeed + static_cast<std::uint32_t>(c.profile.kind + c.word.size()));
    std::map<Text, int> outcomes;
    for (int i = 0; i < kCasesPerCommand && !HasFailure(); ++i) {
        ++outcomes[runCase(c, generator.text())];
    }
    // The texts reached every outcome the command has, so the property was tried on each.
    std::set<Text> expected = messagesOf(c.profile);
    expected.erase(cp1252(" An der Stelle  ^ steht ein nicht zulässiges Zeichen!"));
    expected.insert("accepted");
    expected.insert("caret");
    for (const Text& outcome : expected) {
        EXPECT_GT(outcomes[outcome], 0) << c.word << ": " << outcome;
    }
}

Text nameOf(const ::testing::TestParamInfo<Text>& param) {
    return param.param;
}

INSTANTIATE_TEST_SUITE_P(Commands, BusArgumentsFuzz, ::testing::Values("WR", "RD", "LDTB"), nameOf);

}  // namespace
}  // namespace i2ct::test
