// SPDX-License-Identifier: LGPL-2.1-or-later
#include "modem/frame.h"

#include <algorithm>

#include "core/console.h"

namespace i2ct {
namespace {

constexpr std::uint32_t kReplyLimitMs = 2000;
constexpr std::uint32_t kSliceMs = 20;

void writeByte(Program& p, std::uint8_t byte) {
    p.transferByte = byte;
    if (p.port) {
        p.port->writeByte(byte);
    }
}

void readByteInto(Program& p, std::size_t position) {
    if (p.port) {
        if (auto b = p.port->readByte()) {
            p.transferByte = *b;
        }
    }
    if (position < p.frame.size()) {
        p.frame[position] = p.transferByte;
    }
}

}  // namespace

void SendFrame(Program& p) {
    if (!p.ModemFound) {
        ShowError(p, "Frame kann nicht gesedet werden!   - KEIN MODEM!");
    } else {
        // Whatever waits before a request goes out cannot be its answer: a reply that came too
        // late, or the rest of a broken one. Left queued, it would be read as the answer to this
        // request, and every later reply would then belong to the request before it.
        DropWaitingBytes(p);
        writeByte(p, p.frame[0]);
        writeByte(p, p.frame[1]);
        const int n = signedByte(p.frame[1]);
        for (int i = 1; i <= n; ++i) {
            writeByte(p, p.frame[static_cast<std::size_t>(1 + i)]);
        }
        writeByte(p, p.frame[static_cast<std::size_t>(std::max(n, 0) + 2)]);
    }
    std::fill(p.frame.begin(), p.frame.begin() + 251, std::uint8_t{0});
}

bool ReceiveFrame(Program& p) {
    Clock& clock = p.ports.clock;
    const Tick start = clock.ticks();
    p.LastExchangeTime = start;
    do {
        CommandWait(p, kSliceMs, kFrameStartBytes);
    } while (WaitingBytes(p) < kFrameStartBytes && clock.ticks() - start <= kReplyLimitMs);
    if (clock.ticks() - start >= kReplyLimitMs) {
        ShowError(p, "Modem antwortet nicht!");
        ShowError(p, "Fehler beim Empfang der Daten!");
        return false;
    }
    readByteInto(p, 0);
    readByteInto(p, 1);
    const int n = signedByte(p.frame[1]);
    // The largest length byte is 127, so a Frame never reaches past position 129 of the buffer.
    for (int i = 1; i <= n; ++i) {
        readByteInto(p, static_cast<std::size_t>(1 + i));
    }
    readByteInto(p, static_cast<std::size_t>(std::max(n, 0) + 2));
    return true;
}

void PutRequest(Program& p, std::uint8_t kind) {
    PutRequest(p, kind, {});
}

void PutRequest(Program& p, std::uint8_t kind, std::initializer_list<std::uint8_t> data) {
    PutRequest(p, kind, std::span<const std::uint8_t>(data.begin(), data.size()));
}

void PutRequest(Program& p, std::uint8_t kind, std::span<const std::uint8_t> data) {
    p.frame[0] = kind;
    p.frame[1] = static_cast<std::uint8_t>(data.size());
    std::size_t i = 2;
    for (std::uint8_t b : data) {
        p.frame[i++] = b;
    }
    p.frame[i] = kEndByte;
}

std::size_t WaitingBytes(Program& p) {
    return p.port ? p.port->waiting() : 0;
}

void WriteRawByte(Program& p, std::uint8_t byte) {
    writeByte(p, byte);
}

std::uint8_t ReadRawByte(Program& p) {
    if (p.port) {
        if (auto b = p.port->readByte()) {
            p.transferByte = *b;
        }
    }
    return p.transferByte;
}

void DropWaitingBytes(Program& p) {
    for (std::size_t n = WaitingBytes(p); n > 0; --n) {
        ReadRawByte(p);
    }
}

void AnswerStep(Program& p, std::uint32_t repaintMs, std::uint32_t pauseMs, std::size_t until) {
    if (!p.ports.events.showsSteps()) {
        CommandWait(p, repaintMs + pauseMs, until);
        return;
    }
    if (repaintMs > 0) {
        CommandWait(p, repaintMs);
    }
    p.ports.clock.sleep(pauseMs);
}

void CommandWait(Program& p, std::uint32_t ms, std::size_t until) {
    const LineWatch line = until > 0 ? LineWatch{p.port.get(), until} : LineWatch{};
    p.ports.events.waitEvent(ms, WaitPolicy::Command, line);
}

}  // namespace i2ct
