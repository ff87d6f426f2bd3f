// SPDX-License-Identifier: LGPL-2.1-or-later
#pragma once
// The typed result of one modem operation, and the record of them that a caller keeps who runs
// commands without reading their texts.

#include <cstdint>
#include <optional>
#include <utility>
#include <vector>

namespace i2ct {

enum class OpStatus {
    Done,         // the modem confirmed; data holds what it returned
    Refused,      // the modem refused: code is its StatusCode
    NoAnswer,     // nothing came within the exchange's limit
    NoModem,      // no modem was found, or its port does not open
    BadArgument,  // the request was refused before anything was sent
    Incomplete,   // LISTEN: the modem reports the data incomplete; data holds what came
    Unexpected,   // a Frame of another kind than the request's answer
};

struct OpResult {
    OpStatus status = OpStatus::Done;
    // The StatusCode of a refusing reply; otherwise, where a window's text shows it, the byte at
    // its place in the FrameBuffer.
    std::uint8_t code = 0;
    // The data bytes of the reply: what was read, the line or configuration byte, the version
    // digits; for a refusing reply the StatusCode and anything behind it.
    std::vector<std::uint8_t> data;

    bool ok() const { return status == OpStatus::Done; }
};

// The operations of a run, for the batch program's verdict and the library's calls.
struct OperationLog {
    std::uint64_t count = 0;  // operations run so far
    OpResult last;
    // The first failed operation since the caller cleared it.
    std::optional<OpResult> failure;

    // Notes an operation's result; a failure counts unless `counts` says it concerns nobody.
    const OpResult& record(OpResult result, bool counts = true) {
        ++count;
        last = std::move(result);
        if (counts && !last.ok() && !failure) {
            failure = last;
        }
        return last;
    }
    void clearFailure() { failure.reset(); }
};

}  // namespace i2ct
