#include "linecommands/speed.h"

#include <cmath>

#include "core/console.h"
#include "interpreter/tail.h"
#include "linecommands/line_commands.h"
#include "modem/frame.h"
#include "modem/status_text.h"

namespace i2ct {
namespace {

constexpr std::uint8_t kClockRequest = 0x22;
constexpr std::uint32_t kSettleMs = 500;

// Every rounding step of the conversions matters: the values users know (1500 Hz gives the
// divider 1659 and shows as 1501) only come out with exactly these precisions.
constexpr float kHalfPeriodUnitSingle = 2e-7f;
constexpr double kHalfPeriodUnitDouble = 2e-7;

void refuseSpeed(Program& p, const Text& prompt) {
    PrintLine(p, "?SET SPEED ", LineKind::Echo);
    ShowMessage(p, prompt);
}

}  // namespace

std::int32_t FrequencyOfDivider(std::uint16_t divider) {
    const int halfPeriods = divider + 7;
    const auto period = static_cast<float>(static_cast<double>(halfPeriods) *
                                           static_cast<double>(kHalfPeriodUnitSingle));
    // lrint rounds halves to even in the default rounding mode.
    const auto hertz = static_cast<std::int32_t>(std::lrint(0.5 / static_cast<double>(period)));
    return hertz > kHighestBusClock ? kHighestBusClock : hertz;
}

std::uint16_t DividerOfFrequency(std::int32_t hertz) {
    const auto period = static_cast<float>(1.0 / hertz);
    const double halfPeriods = static_cast<double>(period) / kHalfPeriodUnitDouble;
    const auto rounded = static_cast<std::int32_t>(std::floor(halfPeriods + 0.5));
    return static_cast<std::uint16_t>(rounded / 2 - 7);
}

void GetSpeed(Program& p) {
    PutRequest(p, kClockRequest);
    SendFrame(p);
    if (ReceiveFrame(p) && p.frame[0] == kAnswerConfig) {
        const auto divider = static_cast<std::uint16_t>(p.frame[2] + 256 * p.frame[3]);
        p.busClock = FrequencyOfDivider(divider);
        PrintLine(p, "!I2C-Speed (Hz): " + std::to_string(p.busClock), LineKind::Result);
    } else {
        PrintLine(p, "!I2C-Speed Fehler : " + StatusText(p.frame[2]), LineKind::Result);
    }
}

void SetSpeed(Program& p) {
    Text& tail = p.commandTail;
    DropFirstWord(tail);
    if (tail.size() < 2) {
        refuseSpeed(p, cp1252("Wählen Sie eine Taktfrequenz (40 Hz - 350000 Hz) "));
        return;
    }
    const std::int32_t hertz = ReadInteger(tail);
    if (hertz > kHighestBusClock) {
        refuseSpeed(p, cp1252("Taktfrequenz zu groß!    Maximaler Wert 350000 (Hz)) "));
        return;
    }
    if (hertz < kLowestBusClock) {
        refuseSpeed(p, "Taktfrequenz zu gering!    Minimaler Wert 40 (Hz)) ");
        return;
    }
    const std::uint16_t divider = DividerOfFrequency(hertz);
    PutRequest(
        p, kClockRequest,
        {static_cast<std::uint8_t>(divider % 256), static_cast<std::uint8_t>(divider / 256)});
    SendFrame(p);
    AnswerStep(p, 0, kSettleMs);
    if (ReceiveFrame(p) && p.frame[0] == kAnswerConfig) {
        // The modem may round the clock; GET SPEED shows the one it really uses.
        GetSpeed(p);
    } else {
        PrintLine(p, "!SET SPEED  Fehler beim Einstellen der Frequenz", LineKind::Result);
    }
}

}  // namespace i2ct
