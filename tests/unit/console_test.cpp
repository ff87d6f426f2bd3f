#include <gtest/gtest.h>

#include "core/console.h"
#include "rig.h"

namespace i2ct {
namespace {

using test::Rig;
using Lines = std::vector<Text>;

// A console with the two start-up lines, as after a modem answered at start-up.
class ConsoleTest : public ::testing::Test {
  protected:
    ConsoleTest() : p(rig.ports()) {
        p.PromptChar = "#";
        rig.output.append("USB <> I2C Modem");
        rig.output.append("#");
        RefreshSnapshot(p);
    }
    // What the loop does after an event of the output area.
    Text track() {
        const Text line = LineTracker(p);
        return line;
    }

    Rig rig;
    Program p;
};

TEST_F(ConsoleTest, EnterBehindACommandFindsItAndResultGoesBelow) {
    rig.output.type("WR 0072 DF");
    EXPECT_EQ(track(), "") << "typing inside a line changes no line count";
    EXPECT_FALSE(p.CommandReady);
    rig.output.type("\n");
    EXPECT_EQ(track(), "#WR 0072 DF");
    EXPECT_TRUE(p.CommandReady);
    EXPECT_EQ(p.CurrentLine, 1);
    PrintLine(p, "!WR > OK ", LineKind::Result);
    EXPECT_EQ(rig.lines(), (Lines{"USB <> I2C Modem", "#WR 0072 DF", "!WR > OK ", "#"}));
    EXPECT_EQ(rig.output.cursorLine(), 3);
    EXPECT_EQ(rig.output.cursorColumn(), 1u) << "the insertion point stands behind the prompt";
    EXPECT_EQ(track(), "") << "the program's own output is no user edit";
}

TEST_F(ConsoleTest, EnterOnPromptOnlyOrQuestionMarkOrEmptyRunsNothing) {
    rig.output.type("\n");
    EXPECT_EQ(track(), "");
    EXPECT_FALSE(p.CommandReady);
    EXPECT_EQ(rig.lines(), (Lines{"USB <> I2C Modem", "#", "#"}));

    // The interpreter's "?" echo line, then Enter behind it.
    rig.output.type("FOO\n");
    ASSERT_EQ(track(), "#FOO");
    PrintLine(p, "?", LineKind::Echo);
    rig.output.type("\n");
    EXPECT_EQ(track(), "");
    EXPECT_EQ(rig.lines(), (Lines{"USB <> I2C Modem", "#", "#FOO", "?", "#"}));

    // An emptied line, then Enter: the line above is the "?", which the dispatcher drops.
    rig.output.backspace();
    rig.output.type("\n");
    EXPECT_EQ(track(), "?");
    EXPECT_EQ(rig.output.get(4), "#");
}

TEST_F(ConsoleTest, EchoLineIsCompletedByTheUser) {
    rig.output.type("SET\n");
    ASSERT_EQ(track(), "#SET");
    PrintLine(p, "?SET ", LineKind::Echo);
    EXPECT_EQ(rig.lines(), (Lines{"USB <> I2C Modem", "#SET", "?SET "}));
    EXPECT_EQ(rig.output.cursorLine(), 2);
    EXPECT_EQ(rig.output.cursorColumn(), 5u);
    rig.output.type("INT 1\n");
    EXPECT_EQ(track(), "?SET INT 1");
    EXPECT_EQ(p.CurrentLine, 2);
}

TEST_F(ConsoleTest, RunningAnEarlierLineAgainInsertsItsOutputBelowIt) {
    rig.output.type("GET INT\n");
    track();
    PrintLine(p, "!GET INT > 1", LineKind::Result);
    rig.output.type("GET SDA\n");
    track();
    PrintLine(p, "!GET SDA > 0", LineKind::Result);
    // Back to the end of the first command and Enter there.
    rig.output.moveToEndOfLine(1);
    rig.output.type("\n");
    EXPECT_EQ(track(), "#GET INT");
    EXPECT_EQ(p.CurrentLine, 1);
    PrintLine(p, "!GET INT > 0", LineKind::Result);
    EXPECT_EQ(rig.lines(), (Lines{"USB <> I2C Modem", "#GET INT", "!GET INT > 0", "#",
                                  "!GET INT > 1", "#GET SDA", "!GET SDA > 0", "#"}));
}

TEST_F(ConsoleTest, SpacedLinesThenEchoAppendAtTheEnd) {
    rig.output.type("WR 0072 DX\n");
    track();
    PrintLine(p, "?   " + Text(9, ' ') + "^", LineKind::Spaced);
    PrintLine(p, "?WR 0072 D", LineKind::Echo);
    EXPECT_EQ(rig.lines(),
              (Lines{"USB <> I2C Modem", "#WR 0072 DX", "?            ^", "?WR 0072 D"}));
    PrintLine(p, "", LineKind::Result);
    EXPECT_EQ(rig.lines().back(), "#");
}

TEST_F(ConsoleTest, LongConsolesStillFindCommandsAndNothingOverflows) {
    for (int i = 0; i < 40000; ++i) {
        rig.output.append("!line " + std::to_string(i));
    }
    rig.output.append("#");
    RefreshSnapshot(p);
    rig.output.moveToEndOfLine(rig.output.count() - 1);
    rig.output.type("GET INT\n");
    EXPECT_EQ(track(), "#GET INT");
    EXPECT_EQ(p.CurrentLine, 40002);
    PrintLine(p, "!GET INT > 1", LineKind::Result);
    EXPECT_EQ(rig.output.get(40003), "!GET INT > 1");
    EXPECT_EQ(p.KnownLineCount, 40005);
    // An edit far up still counts: Enter at the end of line 150.
    rig.output.moveToEndOfLine(150);
    rig.output.type("\n");
    EXPECT_EQ(track(), "!line 148");
    EXPECT_EQ(p.CurrentLine, 150);
}

TEST(ConsoleEmpty, FirstEnterOnAnEmptyAreaPutsThePromptOnTheNewLine) {
    Rig rig;
    Program p(rig.ports());
    p.PromptChar = "%";
    rig.output.type("\n");
    EXPECT_EQ(LineTracker(p), "");
    EXPECT_EQ(rig.lines(), (Lines{"", "%"}));
    EXPECT_FALSE(p.CommandReady);
}

TEST(ConsoleEmpty, CommandTypedIntoTheEmptyAreaRunsWithoutPrompt) {
    Rig rig;
    Program p(rig.ports());
    p.PromptChar = "%";
    for (char c : Text("GET INT")) {
        rig.output.type(Text(1, c));
        EXPECT_EQ(LineTracker(p), "") << "the first keys are typing, not a command";
        EXPECT_FALSE(p.CommandReady);
    }
    rig.output.type("\n");
    EXPECT_EQ(LineTracker(p), "GET INT");
    EXPECT_TRUE(p.CommandReady);
    EXPECT_EQ(p.CurrentLine, 0);
}

TEST(ConsoleEmpty, EmptyingTheWholeAreaWritesThePromptIntoIt) {
    Rig rig;
    Program p(rig.ports());
    p.PromptChar = "#";
    rig.output.append("first");
    rig.output.append("#");
    RefreshSnapshot(p);
    rig.output.setText("");
    LineTracker(p);
    EXPECT_EQ(rig.lines(), (Lines{"#"}));
}

TEST(Messages, ErrorIsRedAndTheLineClearsOnlyAfterFiveSeconds) {
    Rig rig;
    Program p(rig.ports());
    ShowError(p, "Modem antwortet nicht!");
    EXPECT_EQ(rig.message.colour, colour::kErrorRed);
    EXPECT_EQ(rig.message.background, colour::kGrey);
    rig.time.sleep(3000);
    ShowMessage(p, "later");
    EXPECT_EQ(rig.message.colour, colour::kErrorRed) << "still red within 5 s of the error";
    rig.time.sleep(5000);
    ClearMessageIfDue(p);
    EXPECT_EQ(rig.message.text, "later") << "every message restarts the interval";
    rig.time.sleep(1);
    ClearMessageIfDue(p);
    EXPECT_EQ(rig.message.text, "");
    EXPECT_FALSE(p.MessageShown);
    EXPECT_EQ(rig.message.colour, colour::kBlack);
    ShowMessage(p, "black again");
    EXPECT_EQ(rig.message.colour, colour::kBlack);
}

TEST(Status, TextsAndColours) {
    Rig rig;
    Program p(rig.ports());
    SetStatus(p, ConnectionDisplay::Online);
    EXPECT_EQ(rig.status.text, "Online");
    EXPECT_EQ(rig.status.background, colour::kGreen);
    SetStatus(p, ConnectionDisplay::Bussy);
    EXPECT_EQ(rig.status.text, "BUSSY");
    EXPECT_EQ(rig.status.background, colour::kYellow);
    SetStatus(p, ConnectionDisplay::Offline);
    EXPECT_EQ(rig.status.text, "Offline");
    EXPECT_EQ(rig.status.background, (Rgb{224, 0, 0}));
}

TEST(Spinner, TurnsInItsOrderAndRestartsWithSlash) {
    Spinner s;
    Text seen;
    for (int i = 0; i < 6; ++i) {
        seen += s.next();
    }
    EXPECT_EQ(seen, "/-\\|/-");
    s.reset();
    EXPECT_EQ(s.next(), '/');
}

}  // namespace
}  // namespace i2ct
