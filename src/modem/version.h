// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The firmware version and the prompt character.

#include <cstdint>

#include "core/program.h"

namespace i2ct {

// d0 + d1 * 0.1 + d2 * 0.01 in single precision, digits signed.
float VersionValue(std::uint8_t d0, std::uint8_t d1, std::uint8_t d2);
// The value of the digits that a version query returned.
float VersionValue(const OpResult& version);
// Two decimals, as the version line shows it.
Text VersionText(float value);

// At start-up: the version line, the first prompt line, "Online".
void QueryFirmwareVersion(Program& p);
// GET VERSION.
void GetVersion(Program& p);

}  // namespace i2ct
