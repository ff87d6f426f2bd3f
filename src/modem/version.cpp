// SPDX-License-Identifier: LGPL-2.1-or-later
#include "modem/version.h"

#include <cstdio>

#include "core/console.h"
#include "modem/operations.h"

namespace i2ct {

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

float VersionValue(const OpResult& version) {
    return VersionValue(version.data[0], version.data[1], version.data[2]);
}

void QueryFirmwareVersion(Program& p) {
    const OpResult version = ReadVersion(p);
    if (!version.ok()) {
        ShowError(p, cp1252("Fehler beim Übermitteln der Version!"));
        return;
    }
    p.FirmwareVersion = VersionValue(version);
    const OpResult r = ReadPrompt(p);
    if (!r.ok()) {
        ShowError(p, cp1252("Fehler beim Übermitteln des Prompt-Zeichen!"));
        p.PromptChar = '%';
        return;
    }
    SetStatus(p, ConnectionDisplay::Online);
    const Text prompt(1, static_cast<char>(r.data[0]));
    p.ports.output.append("USB <> I2C Modem  Selmur und Vusk     Version: " +
                          VersionText(p.FirmwareVersion));
    p.ports.output.append(prompt);
    p.PromptChar = prompt;
    RefreshSnapshot(p);
}

void GetVersion(Program& p) {
    if (const OpResult r = ReadVersion(p); r.ok()) {
        PrintLine(p, "!Version: " + VersionText(VersionValue(r)), LineKind::Result);
    }
}

}  // namespace i2ct
