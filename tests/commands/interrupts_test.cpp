// CHKINT and interrupt monitoring: switching it on and off, the blinking status field, and the
// interrupt event handler with its notification, event data, event error and stray bytes.

#include <gtest/gtest.h>

#include "command_rig.h"

namespace i2ct::test {
namespace {

using Lines = std::vector<Text>;

const Text kIncomplete = cp1252("Unvollständige Interrupt-Meldung des Modems verworfen!");

class Interrupts : public ::testing::Test {
  protected:
    // Switches monitoring on; the time of the switch is the start of the first blink period.
    void monitoringOn() {
        r.enter("CHKINT EIN");
        ASSERT_TRUE(r.p.InterruptWatch);
        on = r.rig.time.ticks();
    }
    // Injects bytes that arrive at time t and runs the loop until runUntil.
    void event(Tick t, const Bytes& bytes, Tick runUntil) {
        r.rig.modem.inject(t, bytes);
        r.runLoopUntil(runUntil);
    }
    // The notification and, `gap` ms later, the event Frame; then the loop until runUntil.
    void notifiedEvent(Tick t, Tick gap, const Bytes& frame, Tick runUntil) {
        r.rig.modem.inject(t, {0x4F, 0x00, 0x04});
        event(t + gap, frame, runUntil);
    }
    std::vector<Rgb> backgrounds() const {
        std::vector<Rgb> all;
        for (const auto& e : r.rig.status.history) {
            all.push_back(e.background);
        }
        return all;
    }
    // The lines from the index given to the end.
    Lines linesFrom(std::size_t first) const {
        const Lines all = r.rig.lines();
        return Lines(all.begin() + static_cast<long>(first), all.end());
    }
    CommandRig r;
    Tick on = 0;
};

TEST_F(Interrupts, SwitchingOnAndOff) {
    r.enter("CHKINT ein");
    EXPECT_EQ(r.reply(), (Lines{"CHKINT EIN > OK", "#"}));
    EXPECT_TRUE(r.p.InterruptWatch);
    EXPECT_EQ(r.p.BlinkTime, r.rig.time.ticks());
    r.enter("CHECKINTERUPT AUS");
    EXPECT_EQ(r.reply(), (Lines{"CHKINT AUS > OK", "#"}));
    EXPECT_FALSE(r.p.InterruptWatch);
    EXPECT_EQ(r.rig.status.text, "Online");
    EXPECT_EQ(r.rig.status.background, colour::kGreen);
    EXPECT_EQ(r.rig.modem.frames(),
              (std::vector<Bytes>{{0x45, 0x01, 0x01, 0x04}, {0x45, 0x01, 0x00, 0x04}}));
}

TEST_F(Interrupts, BadArgumentsAskAndSendNothing) {
    for (const Text line : {"CHKINT", "CHKINT an", "CHKINT EIN AUS"}) {
        r.enter(line);
        EXPECT_EQ(r.reply(), (Lines{"?CHKINT "})) << line;
        EXPECT_EQ(r.rig.message.text,
                  cp1252("Soll die INT Überwachung ein- oder ausgeschaltet werden?"));
    }
    EXPECT_TRUE(r.rig.modem.written().empty());
}

TEST_F(Interrupts, ARefusalKeepsTheMonitoringState) {
    r.rig.modem.responder = [](const Bytes&) { return Bytes{0x49, 0x01, 0x4B, 0x04}; };
    r.enter("CHKINT EIN");
    EXPECT_EQ(
        r.reply(),
        (Lines{cp1252("!CHKINT ERR: INT-Überwachung mit leerer Tabelle nicht möglich"), "#"}));
    EXPECT_FALSE(r.p.InterruptWatch);
    r.p.InterruptWatch = true;
    r.rig.modem.responder = [](const Bytes&) { return Bytes{}; };
    r.enter("CHKINT AUS");
    EXPECT_EQ(r.reply(), (Lines{"!CHKINT ERR: allgemeiner Fehler", "#"}));
    EXPECT_TRUE(r.p.InterruptWatch);
}

TEST_F(Interrupts, TheFieldBlinksEvery750Milliseconds) {
    monitoringOn();
    r.runLoopUntil(on + 750);
    EXPECT_TRUE(r.rig.status.history.empty());
    r.runLoopUntil(on + 760);
    EXPECT_EQ(backgrounds(), (std::vector<Rgb>{colour::kYellow}));
    EXPECT_TRUE(r.p.BlinkPhase);
    r.runLoopUntil(on + 2 * 760);
    EXPECT_EQ(backgrounds(), (std::vector<Rgb>{colour::kYellow, colour::kGreen}));
    r.runLoopUntil(on + 3 * 760);
    EXPECT_EQ(backgrounds(), (std::vector<Rgb>{colour::kYellow, colour::kGreen, colour::kYellow}));
    // Blinking changes the background only.
    EXPECT_TRUE(r.rig.status.text.empty());
}

TEST_F(Interrupts, ThePhaseCarriesOverToTheNextMonitoring) {
    monitoringOn();
    r.runLoopUntil(on + 760);
    ASSERT_TRUE(r.p.BlinkPhase);
    r.enter("CHKINT AUS");
    r.rig.status.history.clear();
    r.runLoopUntil(r.rig.time.ticks() + 2000);
    EXPECT_TRUE(r.rig.status.history.empty());
    monitoringOn();
    r.runLoopUntil(on + 760);
    EXPECT_EQ(backgrounds(), (std::vector<Rgb>{colour::kGreen}));
}

TEST_F(Interrupts, AnEventIsPrintedWithAddressAndData) {
    monitoringOn();
    const std::size_t before = r.rig.lines().size() - 1;
    notifiedEvent(on + 100, 200, {0x4A, 0x04, 0x73, 0x00, 0x05, 0xFF, 0x04}, on + 700);
    EXPECT_EQ(linesFrom(before),
              (Lines{"#", "!BREAK on INT-Event ", "!CHKINT Addr: 073   Data: 5 FF ", "#"}));
    EXPECT_EQ(r.rig.message.text, "Auf dem I2C-Bus ist ein Interupt aufgetrten!");
    EXPECT_EQ(r.rig.status.text, "BUSSY");
    EXPECT_TRUE(r.p.InterruptWatch);
    r.rig.status.history.clear();
    r.runLoopUntil(on + 2000);
    EXPECT_EQ(backgrounds(), (std::vector<Rgb>{colour::kYellow, colour::kGreen}));
    EXPECT_EQ(r.rig.status.text, "BUSSY");
}

TEST_F(Interrupts, EachFrameIsReadOnlyAfterAWait) {
    monitoringOn();
    const std::size_t before = r.rig.lines().size() - 1;
    const std::size_t waitsBefore = r.rig.time.waits().size();
    // Both Frames are there at once: each is still read only after a wait of its own.
    event(on + 100, {0x4F, 0x00, 0x04, 0x4A, 0x03, 0x41, 0x00, 0x07, 0x04}, on + 1000);
    EXPECT_EQ(linesFrom(before),
              (Lines{"#", "!BREAK on INT-Event ", "!CHKINT Addr: 041   Data: 7 ", "#"}));
    const auto& waits = r.rig.time.waits();
    std::size_t eventWaits = 0;
    for (std::size_t i = waitsBefore; i < waits.size(); ++i) {
        if (waits[i].timeoutMs == 200 && waits[i].policy == WaitPolicy::Command) {
            ++eventWaits;
        }
    }
    EXPECT_EQ(eventWaits, 2u);
}

TEST_F(Interrupts, AddressBytesAreWrittenWithoutLeadingZeros) {
    monitoringOn();
    const std::size_t before = r.rig.lines().size() - 1;
    event(on + 100, {0x4F, 0x00, 0x04, 0x39, 0x02, 0xA1, 0x00, 0x04}, on + 600);
    EXPECT_EQ(linesFrom(before),
              (Lines{"#", "!BREAK on INT-Event ", "!CHKINT Addr: 0A1   Data: ", "#"}));
}

TEST_F(Interrupts, AnEventErrorEndsMonitoring) {
    monitoringOn();
    const std::size_t before = r.rig.lines().size() - 1;
    notifiedEvent(on + 100, 100, {0x49, 0x01, 0x4D, 0x04}, on + 700);
    EXPECT_EQ(linesFrom(before), (Lines{"#", "!BREAK on INT-Event ",
                                        "!CHKINT ERR: INT-Quelle nicht in Tabelle", "#"}));
    EXPECT_FALSE(r.p.InterruptWatch);
    EXPECT_EQ(r.rig.status.text, "Online");
    EXPECT_EQ(r.rig.status.background, colour::kGreen);
    EXPECT_EQ(r.rig.modem.frames().size(), 1u);  // the modem is not told
}

TEST_F(Interrupts, AStrayFrameIsDroppedSilently) {
    monitoringOn();
    const Lines before = r.rig.lines();
    r.rig.message.history.clear();
    event(on + 100, {0x3A, 0x00, 0x04, 0x12}, on + 600);
    EXPECT_EQ(r.rig.lines(), before);
    EXPECT_TRUE(r.rig.message.history.empty());
    EXPECT_EQ(r.rig.modem.waiting(), 1u);
    EXPECT_TRUE(r.p.InterruptWatch);
}

TEST_F(Interrupts, AnIncompleteNotificationIsDroppedAndReported) {
    monitoringOn();
    const Lines before = r.rig.lines();
    event(on + 100, {0x4F, 0x00}, on + 2500);
    EXPECT_EQ(r.rig.lines(), before);
    EXPECT_EQ(r.rig.message.text, kIncomplete);
    EXPECT_EQ(r.rig.message.colour, colour::kErrorRed);
    EXPECT_EQ(r.rig.modem.waiting(), 0u);
    EXPECT_TRUE(r.p.InterruptWatch);
}

TEST_F(Interrupts, AMissingEventFrameIsDroppedAndReported) {
    monitoringOn();
    const std::size_t before = r.rig.lines().size() - 1;
    event(on + 100, {0x4F, 0x00, 0x04, 0x4A, 0x04}, on + 3000);
    EXPECT_EQ(linesFrom(before), (Lines{"#", "!BREAK on INT-Event ", "#"}));
    EXPECT_EQ(r.rig.message.text, kIncomplete);
    EXPECT_EQ(r.rig.modem.waiting(), 0u);
    // The loop goes on: a later event is handled as usual.
    event(on + 3100, {0x4F, 0x00, 0x04, 0x4A, 0x03, 0x41, 0x00, 0x07, 0x04}, on + 3600);
    EXPECT_EQ(r.rig.lines().back(), "#");
    EXPECT_EQ(r.rig.lines()[r.rig.lines().size() - 2], "!CHKINT Addr: 041   Data: 7 ");
}

TEST_F(Interrupts, UnaskedBytesAreIgnoredWhileMonitoringIsOff) {
    r.rig.modem.inject(r.rig.time.ticks() + 10, {0x4F, 0x00, 0x04});
    r.runLoopUntil(r.rig.time.ticks() + 1000);
    EXPECT_EQ(r.rig.modem.waiting(), 3u);
    EXPECT_TRUE(r.rig.status.history.empty());
}

}  // namespace
}  // namespace i2ct::test
