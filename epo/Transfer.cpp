#include "epo/Transfer.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <vector>

#include "epo/Packets.h"

namespace qv::epo {

namespace {

constexpr std::uint16_t kBinaryModeCommand = 253;
constexpr std::uint8_t kCommandAckOk = 3;
constexpr std::uint8_t kPacketAckOk = 1;

enum class Verdict { Nmea, Binary, Undecided, NoSentence };

bool StartsWith(const std::uint8_t* p, std::size_t avail, std::string_view word) {
    if (avail < word.size()) return false;
    return std::memcmp(p, word.data(), word.size()) == 0;
}

// True when the available bytes are a proper beginning of word.
bool CutShortOf(const std::uint8_t* p, std::size_t avail, std::string_view word) {
    return avail < word.size() && std::memcmp(p, word.data(), avail) == 0;
}

// Reads the chunk as text up to its first zero byte and looks at its first "$":
// a sentence of the GPS talker or a PMTK reply means the receiver still speaks
// NMEA; any other "$" is the second preamble byte of a binary packet.
Verdict Classify(const std::uint8_t* data, std::size_t n, std::size_t& dollar) {
    const auto* zero = static_cast<const std::uint8_t*>(std::memchr(data, 0, n));
    const std::size_t limit = zero ? static_cast<std::size_t>(zero - data) : n;
    const auto* d = static_cast<const std::uint8_t*>(std::memchr(data, '$', limit));
    if (!d) return Verdict::NoSentence;
    dollar = static_cast<std::size_t>(d - data);
    const std::size_t avail = limit - dollar;
    if (StartsWith(d, avail, "$GP") || StartsWith(d, avail, "$PMTK")) return Verdict::Nmea;
    // The read ended inside "$GP" or "$PMTK": only the next read can tell.
    if (!zero && (CutShortOf(d, avail, "$GP") || CutShortOf(d, avail, "$PMTK")))
        return Verdict::Undecided;
    return Verdict::Binary;
}

void ClearRx(UploadState& s) {
    std::memset(s.EpoRxBuf, 0, sizeof s.EpoRxBuf);
    s.EpoRxLen = 0;
    s.EpoRxState = 0;
}

RxResult Frame(UploadState& s, const std::uint8_t* data, std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
        const std::uint8_t b = data[i];
        const int prev = s.EpoRxLast;
        s.EpoRxLast = b;
        if (prev == 0x04 && b == 0x24) {
            // A packet starts here, also in the middle of another one.
            ClearRx(s);
            s.EpoRxBuf[0] = 0x04;
            s.EpoRxBuf[1] = 0x24;
            s.EpoRxLen = 2;
            s.EpoRxState = 1;
            continue;
        }
        if (s.EpoRxState == 0) continue;
        if (s.EpoRxLen >= kEpoRxBufSize) {
            // No line end within the largest packet the receiver sends: noise.
            ClearRx(s);
            continue;
        }
        s.EpoRxBuf[s.EpoRxLen++] = b;
        if (prev == 0x0D && b == 0x0A) {
            const RxResult r = HandlePacket(s, s.EpoRxBuf, static_cast<std::size_t>(s.EpoRxLen));
            ClearRx(s);
            s.EpoRxLast = -1;
            if (r == RxResult::Abandon) return r;
        }
    }
    return RxResult::Continue;
}

void EnterBinaryMode(UploadState& s) {
    s.EpoBinarySeen = 1;
    s.EpoTransferActive = 1;
    s.EpoWaitBinary = 0;
    s.EpoAckCountdown = kAckPatience;
}

}  // namespace

void ResetUploadState(UploadState& s) {
    s.EpoBinarySeen = 0;
    s.EpoSendState = kSendReady;
    s.EpoTransferActive = 0;
    s.EpoRemainingPackets = 0;
    s.EpoNextSeq = 0;
    s.EpoWaitBinary = 0;
    ClearRx(s);
    s.EpoRxLast = -1;
    s.EpoHeldLen = 0;
}

void PrepareTransfer(UploadState& s, std::uint16_t packets) {
    s.EpoRemainingPackets = static_cast<std::int16_t>(packets);
    s.EpoTotalPackets = static_cast<std::int16_t>(packets);
    s.EpoSendState = kSendReady;
    s.EpoWaitBinary = 1;
}

RxResult ReceiveChunk(UploadState& s, const std::uint8_t* data, std::size_t n) {
    if (n == 0) return RxResult::Continue;
    if (s.EpoWaitBinary == 1) {
        if (s.EpoHeldLen > 0) {
            // Decide the held sentence start together with what followed it.
            std::vector<std::uint8_t> joined(s.EpoHeld, s.EpoHeld + s.EpoHeldLen);
            joined.insert(joined.end(), data, data + n);
            s.EpoHeldLen = 0;
            return ReceiveChunk(s, joined.data(), joined.size());
        }
        std::size_t dollar = 0;
        switch (Classify(data, n, dollar)) {
            case Verdict::Nmea: s.EpoBinarySeen = 0; break;
            case Verdict::Binary: EnterBinaryMode(s); break;
            case Verdict::Undecided: {
                // Keep the byte before the "$" too: it may be the first preamble byte.
                const std::size_t from = dollar > 0 ? dollar - 1 : 0;
                s.EpoHeldLen = static_cast<std::uint8_t>(n - from);
                std::memcpy(s.EpoHeld, data + from, n - from);
                return RxResult::Continue;
            }
            case Verdict::NoSentence: break;
        }
    }
    if (s.EpoBinarySeen == 0) return RxResult::Continue;
    return Frame(s, data, n);
}

RxResult HandlePacket(UploadState& s, const std::uint8_t* p, std::size_t n) {
    const ReceivedPacket r = ParsePacket(p, n);
    if (r.length != kAckPacketSize) {
        // Anything but an acknowledgement uses up some of the patience.
        if (s.EpoTransferActive == 1 && s.EpoAckCountdown > 0) --s.EpoAckCountdown;
        return RxResult::Continue;
    }
    if (!r.checksumOk) {
        s.EpoSendState = kSendFailed;
        return RxResult::Abandon;
    }
    if (r.ack.id == 1) {
        if (r.ack.word == kBinaryModeCommand) {
            if (r.ack.result == kCommandAckOk) {
                s.EpoSendState = kSendReady;
                s.EpoAckCountdown = kAckPatience;
            } else {
                s.EpoSendState = kSendFailed;
            }
        }
        return RxResult::Continue;
    }
    if (r.ack.id == 2) {
        const int justSent = static_cast<int>(s.EpoNextSeq) - 1;
        if (r.ack.result == kPacketAckOk && static_cast<int>(r.ack.word) == justSent) {
            s.EpoSendState = kSendReady;
            s.EpoAckCountdown = kAckPatience;
        } else if (s.EpoRemainingPackets > 0) {
            s.EpoSendState = kSendFailed;
            return RxResult::Abandon;
        }
    }
    return RxResult::Continue;
}

SendStep NextSendStep(const UploadState& s) {
    if (s.EpoTransferActive != 1) return SendStep::Nothing;
    if (s.EpoAckCountdown <= 0) return SendStep::TimedOut;
    if (s.EpoSendState != kSendReady) return SendStep::Nothing;
    return s.EpoRemainingPackets > 0 ? SendStep::SendNext : SendStep::Finish;
}

void PacketSent(UploadState& s) {
    s.EpoSendState = kSendAwaiting;
    ++s.EpoNextSeq;
    --s.EpoRemainingPackets;
}

int ProgressPercent(const UploadState& s) {
    if (s.EpoTotalPackets <= 0) return 0;
    return (s.EpoTotalPackets - s.EpoRemainingPackets) * 100 / s.EpoTotalPackets;
}

std::string ProgressText(int percent) {
    return "Updating now... " + std::to_string(percent) +
           " %\nDO NOT remove the mini USB cable (connection) \nwhen updating EPO data";
}

}  // namespace qv::epo
