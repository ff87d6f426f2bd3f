// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The German text of a StatusCode, the first data byte of a refusing reply.

#include <cstdint>

#include "platform/text.h"

namespace i2ct {

Text StatusText(std::uint8_t code);

}  // namespace i2ct
