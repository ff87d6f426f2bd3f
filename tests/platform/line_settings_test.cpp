#include "platform/linux/line_settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

namespace i2ct::linux_platform {
namespace {

// A cooked, slow line with flow control, as a tty may be left by whoever used it last.
termios CookedLine() {
    termios line{};
    line.c_iflag = ICRNL | IXON | IXOFF | IXANY | BRKINT;
    line.c_oflag = OPOST | ONLCR;
    line.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
    line.c_cflag = CS7 | PARENB | PARODD | CSTOPB | CRTSCTS | CMSPAR;
    line.c_cc[VMIN] = 1;
    line.c_cc[VTIME] = 5;
    cfsetispeed(&line, B9600);
    cfsetospeed(&line, B9600);
    return line;
}

termios Applied(std::string_view settings) {
    termios line = CookedLine();
    EXPECT_TRUE(ApplyLineSettings(settings, line)) << settings;
    return line;
}

speed_t SpeedAfter(std::string_view settings) {
    const termios line = Applied(settings);
    return cfgetospeed(&line);
}

constexpr tcflag_t kFraming = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB;

TEST(LineSettings, TheModemDefinitionGivesA115200RawLineWithoutFlowControl) {
    const termios line = Applied(" baud=115200  parity=N  data=8  stop=1");
    EXPECT_EQ(cfgetispeed(&line), B115200);
    EXPECT_EQ(cfgetospeed(&line), B115200);
    EXPECT_EQ(line.c_cflag & (kFraming | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_cflag & (CLOCAL | CREAD), static_cast<tcflag_t>(CLOCAL | CREAD));
    EXPECT_EQ(line.c_iflag & (IXON | IXOFF | IXANY | ICRNL | BRKINT), 0U);
    EXPECT_EQ(line.c_oflag & OPOST, 0U);
    EXPECT_EQ(line.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0U);
    EXPECT_EQ(line.c_cc[VMIN], 0);
    EXPECT_EQ(line.c_cc[VTIME], 0);
}

TEST(LineSettings, KeysAndLettersMayBeInAnyCase) {
    const termios line = Applied("BAUD=9600 Parity=e DATA=7 Stop=2");
    EXPECT_EQ(cfgetospeed(&line), B9600);
    EXPECT_EQ(line.c_cflag & kFraming, static_cast<tcflag_t>(CS7 | PARENB | CSTOPB));
}

TEST(LineSettings, EachParityLetterSetsItsBits) {
    EXPECT_EQ(Applied("parity=n").c_cflag & kFraming, static_cast<tcflag_t>(CS8));
    EXPECT_EQ(Applied("parity=E").c_cflag & kFraming, static_cast<tcflag_t>(CS8 | PARENB));
    EXPECT_EQ(Applied("parity=O").c_cflag & kFraming, static_cast<tcflag_t>(CS8 | PARENB | PARODD));
    EXPECT_EQ(Applied("parity=M").c_cflag & kFraming,
              static_cast<tcflag_t>(CS8 | PARENB | PARODD | CMSPAR));
    EXPECT_EQ(Applied("parity=s").c_cflag & kFraming, static_cast<tcflag_t>(CS8 | PARENB | CMSPAR));
}

TEST(LineSettings, EachCharacterSizeIsTaken) {
    EXPECT_EQ(Applied("data=5").c_cflag & CSIZE, static_cast<tcflag_t>(CS5));
    EXPECT_EQ(Applied("data=6").c_cflag & CSIZE, static_cast<tcflag_t>(CS6));
    EXPECT_EQ(Applied("data=7").c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_EQ(Applied("data=8").c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
}

TEST(LineSettings, OneAndAHalfStopBitsOnlyWithFiveDataBits) {
    EXPECT_EQ(Applied("data=5 stop=1.5").c_cflag & kFraming, static_cast<tcflag_t>(CS5 | CSTOPB));
    termios line = CookedLine();
    EXPECT_FALSE(ApplyLineSettings("stop=1.5 data=8", line));
}

TEST(LineSettings, AbsentKeysGiveEightNoneOneAtTheCurrentSpeed) {
    const termios line = Applied("");
    EXPECT_EQ(cfgetospeed(&line), B9600);
    EXPECT_EQ(line.c_cflag & (kFraming | CRTSCTS), static_cast<tcflag_t>(CS8));
    EXPECT_EQ(line.c_lflag & ICANON, 0U);
}

TEST(LineSettings, BlanksTabsAndLineEndsSeparateAndMayStandAroundTheEqualsSign) {
    const termios line = Applied("\tbaud = 57600\t parity= O   data =7\r\n");
    EXPECT_EQ(cfgetospeed(&line), B57600);
    EXPECT_EQ(line.c_cflag & kFraming, static_cast<tcflag_t>(CS7 | PARENB | PARODD));
}

TEST(LineSettings, TwoDigitBaudsAreTheModeAbbreviations) {
    EXPECT_EQ(SpeedAfter("baud=96"), B9600);
    EXPECT_EQ(SpeedAfter("baud=19"), B19200);
    EXPECT_EQ(SpeedAfter("baud=12"), B1200);
    EXPECT_EQ(SpeedAfter("baud=11"), B110);
    EXPECT_EQ(SpeedAfter("baud=75"), B75);
}

TEST(LineSettings, TheLastOfARepeatedKeyWins) {
    const termios line = Applied("baud=9600 baud=115200");
    EXPECT_EQ(cfgetospeed(&line), B115200);
}

TEST(LineSettings, FaultyTextsChangeNothing) {
    for (const std::string_view faulty :
         {"baud=abc", "baud=12345", "baud=", "baud=99999999", "=115200", "baud", "baud 115200",
          "parity=X", "parity=NE", "data=4", "data=9", "stop=0", "stop=3", "stop=1,5",
          "speed=115200", "baud=115200 parity=N data=8 stop=1 xyz", "baud=115200,parity=N"}) {
        termios line = CookedLine();
        const termios before = line;
        EXPECT_FALSE(ApplyLineSettings(faulty, line)) << faulty;
        EXPECT_EQ(std::memcmp(&line, &before, sizeof line), 0) << faulty;
    }
}

}  // namespace
}  // namespace i2ct::linux_platform
