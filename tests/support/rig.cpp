#include "rig.h"

namespace i2ct::test {

std::vector<Text> Rig::lines() const {
    std::vector<Text> all;
    for (LineIndex i = 0; i < output.count(); ++i) all.push_back(output.get(i));
    return all;
}

}  // namespace i2ct::test
