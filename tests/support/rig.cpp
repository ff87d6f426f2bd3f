#include "rig.h"

namespace i2ct::test {

Rig::Rig() {
    libraries.libraries.emplace_back(libraries.directory + "/ftd2xx.dll",
                                     [this] { return std::make_unique<FakeDriver>(devices); });
    modem.responder = StandardAnswer;
}

Ports Rig::ports() {
    return Ports{time, time,   output, status,    message, stop,
                 help, dialog, opener, libraries, serial};
}

void Rig::plugModem(const Text& description) {
    devices.push_back({description, "/dev/ttyUSB0", true});
    serial.modems["/dev/ttyUSB0"] = &modem;
}

std::vector<Text> Rig::lines() const {
    std::vector<Text> all;
    for (LineIndex i = 0; i < output.count(); ++i) {
        all.push_back(output.get(i));
    }
    return all;
}

Bytes StandardAnswer(const Bytes& frame) {
    switch (frame[0]) {
        case 0x11:
            return {0x1A, 0x03, 0x02, 0x02, 0x00, 0x04};
        case 0x12:
            return {0x1A, 0x01, '#', 0x04};
        case 0x21:
            return frame[1] == 0 ? Bytes{0x2A, 0x01, 0x80, 0x04} : Bytes{0x2A, 0x00, 0x04};
        case 0x22:
            return frame[1] == 0 ? Bytes{0x2A, 0x02, 18, 0x00, 0x04} : Bytes{0x2A, 0x00, 0x04};
        case 0x31:
            return {0x3A, 0x00, 0x04};
        case 0x32:
            return {0x3A, 0x01, 0x07, 0x04};
        case 0x33:
            return {0x3A, 0x00, 0x04};
        case 0x41:
            return {0x2A, 0x00, 0x04};
        default:
            return {0x4A, 0x00, 0x04};
    }
}

}  // namespace i2ct::test
