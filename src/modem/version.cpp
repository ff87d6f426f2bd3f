#include "modem/version.h"

#include <cstdio>

#include "core/console.h"
#include "modem/frame.h"

namespace i2ct {
namespace {

bool versionExchange(Program& p) {
    PutRequest(p, 0x11);
    SendFrame(p);
    return ReceiveFrame(p) && p.frame[0] == kAnswerModem;
}

float versionInBuffer(const Program& p) {
    return VersionValue(p.frame[2], p.frame[3], p.frame[4]);
}

}  // namespace

float VersionValue(std::uint8_t d0, std::uint8_t d1, std::uint8_t d2) {
    const float value = static_cast<float>(signedByte(d0)) +
                        static_cast<float>(signedByte(d1)) * 0.1f +
                        static_cast<float>(signedByte(d2)) * 0.01f;
    return value;
}

Text VersionText(float value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", static_cast<double>(value));
    return text;
}

void QueryFirmwareVersion(Program& p) {
    if (!versionExchange(p)) {
        ShowError(p, cp1252("Fehler beim Übermitteln der Version!"));
        return;
    }
    p.FirmwareVersion = versionInBuffer(p);
    PutRequest(p, 0x12);
    SendFrame(p);
    if (!ReceiveFrame(p) || p.frame[0] != kAnswerModem) {
        ShowError(p, cp1252("Fehler beim Übermitteln des Prompt-Zeichen!"));
        p.PromptChar = "%";
        return;
    }
    SetStatus(p, ConnectionDisplay::Online);
    const Text prompt(1, static_cast<char>(p.frame[2]));
    p.ports.output.append("USB <> I2C Modem  Selmur und Vusk     Version: " +
                          VersionText(p.FirmwareVersion));
    p.ports.output.append(prompt);
    p.PromptChar = prompt;
    RefreshSnapshot(p);
}

void GetVersion(Program& p) {
    if (versionExchange(p)) {
        PrintLine(p, "!Version: " + VersionText(versionInBuffer(p)), LineKind::Result);
    }
}

}  // namespace i2ct
