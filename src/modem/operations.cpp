// SPDX-License-Identifier: LGPL-2.1-or-later
#include "modem/operations.h"

#include <algorithm>

#include "core/console.h"
#include "i2c-modem-protocol.h"
#include "modem/answer_wait.h"
#include "modem/bus_clock.h"
#include "modem/frame.h"

namespace i2ct {
namespace {

constexpr std::uint8_t kVersionRequest = I2C_MODEM_REQ_VERSION;
constexpr std::uint8_t kPromptRequest = I2C_MODEM_REQ_PROMPT;
constexpr std::uint8_t kPullupRequest = I2C_MODEM_REQ_PULLUPS;
constexpr std::uint8_t kClockRequest = I2C_MODEM_REQ_CLOCK;
constexpr std::uint8_t kLineWriteRequest = I2C_MODEM_REQ_LINE_WRITE;
constexpr std::uint8_t kLineReadRequest = I2C_MODEM_REQ_LINE_READ;
constexpr std::uint8_t kTransferRequest = I2C_MODEM_REQ_TRANSFER;
constexpr std::uint8_t kFilterRequest = I2C_MODEM_REQ_FILTER;
constexpr std::uint8_t kListenRequest = I2C_MODEM_REQ_LISTEN;
constexpr std::uint8_t kTableLoadRequest = I2C_MODEM_REQ_TABLE_LOAD;
constexpr std::uint8_t kTableClearRequest = I2C_MODEM_REQ_TABLE_CLEAR;
constexpr std::uint8_t kMonitorRequest = I2C_MODEM_REQ_MONITORING;
constexpr std::uint8_t kIncompleteData = I2C_MODEM_ANS_INCOMPLETE;
constexpr std::uint8_t kNotification = I2C_MODEM_ANS_INTERRUPT;
constexpr std::uint8_t kNoFilter = I2C_MODEM_ST_NO_FILTER;

constexpr int kReadCycleLimit = 10;
constexpr int kTableCycleLimit = 20;
constexpr std::uint32_t kSettleMs = 500;
constexpr std::uint32_t kFilterPauseMs = 100;
constexpr std::uint32_t kListenSliceMs = 100;
constexpr std::uint32_t kRepaintMs = 10;
constexpr std::uint32_t kAcknowledgementPassMs = 200;
constexpr int kAcknowledgementPasses = 10;  // passes beyond the first
constexpr std::size_t kAcknowledgement = 3;
constexpr std::uint32_t kEventSliceMs = 200;
// The modem sends an event's Frames back to back; bytes missing this long never come.
constexpr Tick kEventLimitMs = 2000;
// Reading starts once this many bytes wait: a whole notification and the start of the next
// Frame, or a whole event error Frame.
constexpr std::size_t kBytesBeforeReading = 4;

const OpResult& record(Program& p, OpResult result) {
    return p.operations.record(std::move(result));
}

// A timeout. Without a modem nothing went out, and nothing could have come.
const OpResult& noAnswer(Program& p) {
    const bool connected = p.ModemFound && p.PortOpen;
    return record(p, {connected ? OpStatus::NoAnswer : OpStatus::NoModem, p.frame[2], {}});
}

const OpResult& badArgument(Program& p) {
    return record(p, {OpStatus::BadArgument, {}, {}});
}

// The data bytes of the reply in the FrameBuffer, as its length byte counts them.
std::vector<std::uint8_t> replyData(const Program& p) {
    const auto n = static_cast<std::size_t>(std::max(signedByte(p.frame[1]), 0));
    return {p.frame.begin() + 2, p.frame.begin() + 2 + n};
}

// Bytes from their fixed places in the reply, whatever its length byte says.
std::vector<std::uint8_t> placedData(const Program& p, std::size_t count) {
    return {p.frame.begin() + 2, p.frame.begin() + 2 + static_cast<std::ptrdiff_t>(count)};
}

// The reply in the FrameBuffer judged against the answer code the request expects.
const OpResult& judge(Program& p, std::uint8_t answer, std::vector<std::uint8_t> done) {
    if (p.frame[0] == answer) {
        return record(p, {OpStatus::Done, {}, std::move(done)});
    }
    const OpStatus status = p.frame[0] == kStatusReply ? OpStatus::Refused : OpStatus::Unexpected;
    return record(p, {status, p.frame[2], replyData(p)});
}

// One request and its reply through the 2000 ms reply wait; `placed` fixed data bytes of an
// answer are taken from their places.
const OpResult& exchange(Program& p, std::uint8_t answer, std::size_t placed) {
    SendFrame(p);
    if (!ReceiveFrame(p)) {
        return noAnswer(p);
    }
    return judge(p, answer, placedData(p, placed));
}

// The end of WR, RD, LDTB and CLTB: the cycles until the answer waits, then the answer.
const OpResult& awaitedReply(Program& p, int limit, const Text& progress, std::uint8_t answer) {
    if (!AwaitAnswer(p, limit, progress)) {
        return noAnswer(p);
    }
    ReceiveFrame(p);
    return judge(p, answer, replyData(p));
}

bool isStatus(const Program& p, std::uint8_t code) {
    return p.frame[0] == kStatusReply && p.frame[1] == 1 && p.frame[2] == code;
}

// Waits until enough bytes of an interrupt event wait to read on; false, with the remainder
// dropped and the user told, when they do not come in time. A slice ends as soon as the bytes
// are there.
bool eventBytesCame(Program& p) {
    const Tick start = p.ports.clock.ticks();
    std::size_t waiting;
    do {
        CommandWait(p, kEventSliceMs, kBytesBeforeReading);
        waiting = WaitingBytes(p);
    } while (waiting < kBytesBeforeReading && p.ports.clock.ticks() - start < kEventLimitMs);
    if (waiting >= kBytesBeforeReading) {
        return true;
    }
    DropWaitingBytes(p);
    ShowError(p, cp1252("Unvollständige Interrupt-Meldung des Modems verworfen!"));
    return false;
}

}  // namespace

OpResult WriteSlave(Program& p, SlaveAddress address, std::span<const std::uint8_t> data,
                    const Text& progress) {
    if (data.empty() || data.size() > kLargestWrite) {
        return badArgument(p);
    }
    std::vector<std::uint8_t> request{address.byte, address.high};
    request.insert(request.end(), data.begin(), data.end());
    PutRequest(p, kTransferRequest, request);
    const int limit = WriteCycleLimit(p.busClock, p.frame[1]);
    SendFrame(p);
    return awaitedReply(p, limit, progress, kAnswerBus);
}

OpResult ReadSlave(Program& p, SlaveAddress address, std::uint8_t count, const Text& progress) {
    if (count > kLargestRead) {
        return badArgument(p);
    }
    PutRequest(p, kTransferRequest, {address.byte, address.high, count});
    SendFrame(p);
    return awaitedReply(p, kReadCycleLimit, progress, kAnswerBus);
}

OpResult ReadLines(Program& p) {
    PutRequest(p, kLineReadRequest);
    return exchange(p, kAnswerBus, 1);
}

OpResult WriteLines(Program& p, std::uint8_t state) {
    PutRequest(p, kLineWriteRequest, {state});
    return exchange(p, kAnswerBus, 0);
}

std::uint8_t LineState(std::uint8_t state, BusLine line, bool high) {
    // Raising sets the line's own bit; lowering keeps only the other two lines.
    const std::uint8_t bit = line == BusLine::Sda ? 0x01 : line == BusLine::Scl ? 0x02 : 0x04;
    return high ? static_cast<std::uint8_t>(state | bit)
                : static_cast<std::uint8_t>(state & (0x07 & ~bit));
}

OpResult SetLine(Program& p, BusLine line, bool high) {
    const OpResult lines = ReadLines(p);
    if (!lines.ok()) {
        return lines;
    }
    return WriteLines(p, LineState(lines.data[0], line, high));
}

OpResult ReadPullups(Program& p) {
    PutRequest(p, kPullupRequest);
    return exchange(p, kAnswerConfig, 1);
}

OpResult SetPullups(Program& p, bool on) {
    PutRequest(p, kPullupRequest, {static_cast<std::uint8_t>(on ? 0x01 : 0x00)});
    return exchange(p, kAnswerConfig, 0);
}

OpResult ReadBusClock(Program& p) {
    PutRequest(p, kClockRequest);
    const OpResult& r = exchange(p, kAnswerConfig, 2);
    if (r.ok()) {
        p.busClock = FrequencyOfDivider(static_cast<std::uint16_t>(r.data[0] + 256 * r.data[1]));
    }
    return r;
}

OpResult SetBusClock(Program& p, std::int32_t hertz) {
    if (hertz < kLowestBusClock || hertz > kHighestBusClock) {
        return badArgument(p);
    }
    const std::uint16_t divider = DividerOfFrequency(hertz);
    PutRequest(
        p, kClockRequest,
        {static_cast<std::uint8_t>(divider % 256), static_cast<std::uint8_t>(divider / 256)});
    SendFrame(p);
    AnswerStep(p, 0, kSettleMs);
    if (!ReceiveFrame(p)) {
        return noAnswer(p);
    }
    return judge(p, kAnswerConfig, {});
}

OpResult ReadVersion(Program& p) {
    PutRequest(p, kVersionRequest);
    return exchange(p, kAnswerModem, 3);
}

OpResult ReadPrompt(Program& p) {
    PutRequest(p, kPromptRequest);
    return exchange(p, kAnswerModem, 1);
}

OpResult SetFilter(Program& p, SlaveAddress address) {
    PutRequest(p, kFilterRequest, {address.byte, address.high});
    SendFrame(p);
    AnswerStep(p, 0, kFilterPauseMs);
    if (!ReceiveFrame(p)) {
        return noAnswer(p);
    }
    return judge(p, kAnswerConfig, {});
}

int ListenTickLimit(std::uint8_t time) {
    // Both steps are exact enough that the dropped fraction is that of the integer quotient.
    const float ticks = 52.0f * static_cast<float>(time) + 40.0f;
    return static_cast<int>(static_cast<double>(ticks) / 100.0);
}

OpResult ListenFor(Program& p, std::uint8_t time) {
    if (time == 0) {
        return badArgument(p);
    }
    PutRequest(p, kListenRequest, {time});
    SendFrame(p);
    SetStatus(p, ConnectionDisplay::Bussy);
    const int limit = ListenTickLimit(time);
    Spinner spinner;
    int passes = 0;
    std::size_t waiting;
    do {
        ShowMessage(p, Text("Modem lauscht, bitte warten :  ") + spinner.next());
        AnswerStep(p, kRepaintMs, kListenSliceMs);
        ++passes;
        waiting = WaitingBytes(p);
    } while (waiting < 2 && passes <= limit);
    ShowMessage(p, " ");
    SetStatus(p, ConnectionDisplay::Online);
    // A late answer gets the reply wait's own 2000 ms and its timeout report.
    if (!ReceiveFrame(p)) {
        return noAnswer(p);
    }
    if (p.frame[0] == kIncompleteData) {
        return record(p, {OpStatus::Incomplete, p.frame[2], replyData(p)});
    }
    return judge(p, kAnswerTable, replyData(p));
}

OpResult StartListening(Program& p) {
    PutRequest(p, kListenRequest, {0});
    SendFrame(p);
    int passes = 0;
    std::size_t waiting;
    do {
        AnswerStep(p, kRepaintMs, kAcknowledgementPassMs, kAcknowledgement);
        ++passes;
        waiting = WaitingBytes(p);
    } while (waiting < 2 && passes <= kAcknowledgementPasses);
    if (waiting == kAcknowledgement) {
        for (std::size_t i = 0; i < kAcknowledgement; ++i) {
            ReadRawByte(p);
        }
        return record(p, {OpStatus::Done, {}, {}});
    }
    // Whatever the FrameBuffer cannot hold stays queued.
    const std::size_t kept = std::min(waiting, p.frame.size());
    for (std::size_t i = 0; i < kept; ++i) {
        p.frame[i] = ReadRawByte(p);
    }
    if (isStatus(p, kNoFilter)) {
        return record(p, {OpStatus::Refused, kNoFilter, {kNoFilter}});
    }
    // A broken or late acknowledgement may still come from a modem that listens now; left so,
    // it would stream until it is unplugged and answer no request meanwhile.
    StopListening(p);
    if (kept == 0) {
        return noAnswer(p);
    }
    if (p.frame[0] == kStatusReply && p.frame[1] == 1) {
        return record(p, {OpStatus::Refused, p.frame[2], {p.frame[2]}});
    }
    return record(p, {OpStatus::Unexpected, {}, {}});
}

std::vector<std::uint8_t> ListenedBytes(Program& p, std::size_t most) {
    std::vector<std::uint8_t> bytes(std::min(WaitingBytes(p), most));
    for (std::uint8_t& b : bytes) {
        b = ReadRawByte(p);
    }
    return bytes;
}

void StopListening(Program& p) {
    WriteRawByte(p, kEndByte);
}

OpResult LoadTable(Program& p, SlaveAddress address, std::uint8_t count) {
    PutRequest(p, kTableLoadRequest, {address.byte, address.high, count});
    SendFrame(p);
    return awaitedReply(p, kTableCycleLimit, Text{}, kAnswerTable);
}

OpResult ClearTable(Program& p) {
    PutRequest(p, kTableClearRequest);
    SendFrame(p);
    return awaitedReply(p, kTableCycleLimit, Text{}, kAnswerTable);
}

OpResult SetMonitoring(Program& p, bool on) {
    PutRequest(p, kMonitorRequest, {static_cast<std::uint8_t>(on ? 0x01 : 0x00)});
    return exchange(p, kAnswerTable, 0);
}

OpResult ReceiveInterruptNotice(Program& p) {
    if (!eventBytesCame(p)) {
        return noAnswer(p);
    }
    ReceiveFrame(p);
    if (p.frame[0] != kNotification) {
        // A late answer or other stray Frame: nobody waits for it any more.
        return p.operations.record({OpStatus::Unexpected, {}, {}}, false);
    }
    return record(p, {OpStatus::Done, 0, {}});
}

OpResult ReceiveInterruptData(Program& p) {
    if (!eventBytesCame(p)) {
        return noAnswer(p);
    }
    ReceiveFrame(p);
    if (p.frame[0] == kStatusReply) {
        return record(p, {OpStatus::Refused, p.frame[2], replyData(p)});
    }
    // The address stands at its place whatever the length; the bytes read follow it.
    std::vector<std::uint8_t> data = placedData(p, 2);
    const int length = signedByte(p.frame[1]);
    for (int i = 4; i <= length + 1; ++i) {
        data.push_back(p.frame[static_cast<std::size_t>(i)]);
    }
    return record(p, {OpStatus::Done, p.frame[2], std::move(data)});
}

}  // namespace i2ct
