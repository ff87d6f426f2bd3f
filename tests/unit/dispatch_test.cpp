#include <gtest/gtest.h>

#include "core/console.h"
#include "interpreter/dispatch.h"
#include "rig.h"

namespace i2ct {
namespace {

using test::Rig;

// Handlers that report which one ran and the command tail it got, through the message line
// with a marker byte no real message holds.
constexpr char kMarker = '\x01';

template <const char* Name>
void record(Program& p) {
    p.ports.message.setText(Text(1, kMarker) + Name + kMarker + p.commandTail);
}

constexpr char kWrite[] = "WR", kRead[] = "RD", kListen[] = "LISTEN", kLoad[] = "LDTB",
               kClear[] = "CLTB", kCheck[] = "CHKINT", kSetInt[] = "SET INT", kSetSda[] = "SET SDA",
               kSetScl[] = "SET SCL", kSetPullup[] = "SET PULLUP", kSetSpeed[] = "SET SPEED",
               kSetFilter[] = "SET FILTER", kGetInt[] = "GET INT", kGetSda[] = "GET SDA",
               kGetScl[] = "GET SCL", kGetPullup[] = "GET PULLUP", kGetSpeed[] = "GET SPEED",
               kGetVersion[] = "GET VERSION";

CommandHandlers recordingHandlers() {
    CommandHandlers h;
    h.write = record<kWrite>;
    h.read = record<kRead>;
    h.listen = record<kListen>;
    h.loadTable = record<kLoad>;
    h.clearTable = record<kClear>;
    h.checkInt = record<kCheck>;
    h.setInt = record<kSetInt>;
    h.setSda = record<kSetSda>;
    h.setScl = record<kSetScl>;
    h.setPullup = record<kSetPullup>;
    h.setSpeed = record<kSetSpeed>;
    h.setFilter = record<kSetFilter>;
    h.getInt = record<kGetInt>;
    h.getSda = record<kGetSda>;
    h.getScl = record<kGetScl>;
    h.getPullup = record<kGetPullup>;
    h.getSpeed = record<kGetSpeed>;
    h.getVersion = record<kGetVersion>;
    return h;
}

class DispatchTest : public ::testing::Test {
  protected:
    DispatchTest() : p(rig.ports()), handlers(recordingHandlers()) {
        p.PromptChar = "#";
        rig.output.append("#");
        RefreshSnapshot(p);
    }

    // Runs one line as the loop would: the tracker's line becomes the command tail.
    void run(const Text& line) {
        const std::size_t before = rig.message.history.size();
        // The typed line and the empty line Enter opened below it.
        rig.output.setText(line + "\n");
        RefreshSnapshot(p);
        p.CurrentLine = 0;
        p.commandTail = line;
        p.CommandReady = true;
        DispatchCommand(p, handlers);
        EXPECT_FALSE(p.CommandReady);
        calls.seen.clear();
        for (std::size_t i = before; i < rig.message.history.size(); ++i) {
            const Text& m = rig.message.history[i];
            if (!m.empty() && m[0] == kMarker) {
                const std::size_t split = m.find(kMarker, 1);
                calls.seen.emplace_back(m.substr(1, split - 1), m.substr(split + 1));
            }
        }
    }
    std::pair<std::string, Text> only() {
        EXPECT_EQ(calls.seen.size(), 1u);
        return calls.seen.empty() ? std::pair<std::string, Text>{} : calls.seen.front();
    }

    struct Calls {
        std::vector<std::pair<std::string, Text>> seen;
    };
    Rig rig;
    Program p;
    CommandHandlers handlers;
    Calls calls;
};

TEST_F(DispatchTest, KeywordListHasItsOrderAndEndWord) {
    EXPECT_EQ(KeywordList.size(), 26u);
    EXPECT_EQ(LookUpKeyword("SET"), 1);
    EXPECT_EQ(LookUpKeyword("VER"), 6);
    EXPECT_EQ(LookUpKeyword("SPEED"), 13);
    EXPECT_EQ(LookUpKeyword("CHECKINTERUPT"), 25);
    EXPECT_EQ(LookUpKeyword("STOP"), 26);
    EXPECT_EQ(LookUpKeyword("STOP"), kStop);
    EXPECT_EQ(LookUpKeyword("FIL"), kFil);
    EXPECT_EQ(LookUpKeyword("CLEARTABLE"), kClearTable);
    EXPECT_EQ(LookUpKeyword("NOPE"), 26);
    EXPECT_EQ(LookUpKeyword("set"), 26) << "callers upper-case first";
}

TEST_F(DispatchTest, CommandsReachTheirHandlersWithTheTailAsTyped) {
    run("#WR 0072 DF 03 9E");
    EXPECT_EQ(only(), (std::pair<std::string, Text>{"WR", "WR 0072 DF 03 9E"}));
    run("wr 0072 01");
    EXPECT_EQ(only(), (std::pair<std::string, Text>{"WR", "wr 0072 01"}));
    run("#WR 0072 #01");
    EXPECT_EQ(only().second, "WR 0072 01") << "every prompt character goes";
    run("WRITE 0072 01");
    EXPECT_EQ(only().first, "WR");
    for (const auto& [word, handler] :
         std::vector<std::pair<Text, std::string>>{{"RD", "RD"},
                                                   {"READ", "RD"},
                                                   {"LISTEN", "LISTEN"},
                                                   {"lis", "LISTEN"},
                                                   {"LDTB", "LDTB"},
                                                   {"LOADTABLE", "LDTB"},
                                                   {"CLTB", "CLTB"},
                                                   {"CLEARTABLE", "CLTB"},
                                                   {"CHKINT", "CHKINT"},
                                                   {"checkinterupt", "CHKINT"}}) {
        run("#" + word + " x");
        EXPECT_EQ(only().first, handler) << word;
    }
}

TEST_F(DispatchTest, EmptyLinesAndLeadingBlanksRunNothing) {
    for (const char* line : {"", "#", "?", "# WR 0072 01", " WR 0072 01", "##", "??"}) {
        run(line);
        EXPECT_TRUE(calls.seen.empty()) << '"' << line << '"';
    }
    EXPECT_TRUE(rig.message.history.empty());
    EXPECT_EQ(rig.output.get(1), "") << "nothing written";
}

TEST_F(DispatchTest, WordsThatAreNoCommandsGetTheInterpretersError) {
    for (const char* word : {"VERSION", "INT", "SPEED", "FILTER", "STOP", "DR", "HELLO"}) {
        run(std::string("#") + word);
        EXPECT_TRUE(calls.seen.empty()) << word;
        EXPECT_EQ(rig.message.text,
                  cp1252("Kommando nicht erkannt! Mögliche Eingaben: SET, GET, WR, WRITE, DR, "
                         "READ "));
        EXPECT_EQ(rig.message.colour, colour::kErrorRed);
        EXPECT_EQ(rig.output.get(p.CurrentLine), "?");
    }
}

TEST_F(DispatchTest, UnmappableCharactersNeverFormACommand) {
    run(Text(1, kUnmappable) + "WR 0072 01");
    EXPECT_TRUE(calls.seen.empty());
    run("W" + Text(1, kUnmappable) + "R 0072 01");
    EXPECT_TRUE(calls.seen.empty());
}

TEST_F(DispatchTest, EchoLineCompletedByTheUserRunsAsSet) {
    run("?SET INT 1");
    EXPECT_EQ(only(), (std::pair<std::string, Text>{"SET INT", "INT 1"}));
}

TEST_F(DispatchTest, SetSubDispatch) {
    run("set int 1");
    EXPECT_EQ(only(), (std::pair<std::string, Text>{"SET INT", "int 1"})) << "SET keeps the case";
    run("SET SDA 0");
    EXPECT_EQ(only().first, "SET SDA");
    run("SET SCL 1");
    EXPECT_EQ(only().first, "SET SCL");
    run("SET PUL ein");
    EXPECT_EQ(only().first, "SET PULLUP");
    run("SET PULLUP aus");
    EXPECT_EQ(only().first, "SET PULLUP");
    run("SET SPE 1500");
    EXPECT_EQ(only().first, "SET SPEED");
    run("SET FIL 0074");
    EXPECT_EQ(only().first, "SET FILTER");
    run("SET FILTER 0SET4");
    EXPECT_EQ(only().second, "FILTER 04");
}

TEST_F(DispatchTest, SetAloneAsksAndSetWithBlankOrWrongWordIsAnError) {
    run("#SET");
    EXPECT_TRUE(calls.seen.empty());
    EXPECT_EQ(rig.output.get(p.CurrentLine), "?SET ");
    EXPECT_EQ(rig.message.text,
              cp1252("Was soll geändert werden?  INT, SDA, SCL, PULLUP,  SPEED  "));
    EXPECT_EQ(rig.message.colour, Rgb{}) << "a question, not an error";
    for (const char* line : {"#SET ", "#SET VERSION", "#SET STOP"}) {
        run(line);
        EXPECT_TRUE(calls.seen.empty()) << line;
        EXPECT_EQ(rig.message.text,
                  cp1252("Befehl ist ungültig! Mögliche Eingaben: INT, SDA, SCL, PULLUP, SPEED, "
                         "FILTER"))
            << line;
        EXPECT_EQ(rig.message.colour, colour::kErrorRed);
    }
}

TEST_F(DispatchTest, GetSubDispatchUpperCasesTheTail) {
    run("get int");
    EXPECT_EQ(only(), (std::pair<std::string, Text>{"GET INT", "INT"}));
    run("GET VER");
    EXPECT_EQ(only().first, "GET VERSION");
    run("GET version");
    EXPECT_EQ(only().first, "GET VERSION");
    run("GET PUL");
    EXPECT_EQ(only().first, "GET PULLUP");
    run("GET SPE");
    EXPECT_EQ(only().first, "GET SPEED");
    run("GET SDA");
    EXPECT_EQ(only().first, "GET SDA");
    run("GET SCL");
    EXPECT_EQ(only().first, "GET SCL");
}

TEST_F(DispatchTest, GetAloneOrWithBlanksAsksAndGetFilterIsAnError) {
    for (const char* line : {"#GET", "#GET   "}) {
        run(line);
        EXPECT_TRUE(calls.seen.empty());
        EXPECT_EQ(rig.output.get(p.CurrentLine), "?GET ");
        EXPECT_EQ(rig.message.text, cp1252("Was wird benötigt? Die Signale INT, SDA, INT oder "
                                           "VERSION, PULLUP, SPEED?"));
    }
    run("#GET FILTER");
    EXPECT_TRUE(calls.seen.empty());
    EXPECT_EQ(rig.message.text,
              cp1252("Befehl ist ungültig! Mögliche Eingaben: INT, SDA, SCL, VER, PULLUP, SPEED "));
}

}  // namespace
}  // namespace i2ct
