#pragma once
// The fixed command summary of the help window, 52 lines.

#include <vector>

#include "platform/text.h"

namespace i2ct {

const std::vector<Text>& HelpLines();

}  // namespace i2ct
