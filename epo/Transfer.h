// The receive side and the pacing of an EPO upload, without a port: recognising
// the receiver's switch to binary mode, cutting received chunks into packets,
// acting on acknowledgements, and deciding what the next pass sends. The upload
// thread feeds it what it reads; the tests and the fuzz target feed it chunks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qv::epo {

inline constexpr int kEpoRxBufSize = 256;
inline constexpr std::int32_t kAckPatience = 10;  // foreign packets tolerated per acknowledgement

// EpoSendState values.
inline constexpr std::uint8_t kSendFailed = 0;   // the last acknowledgement failed
inline constexpr std::uint8_t kSendReady = 1;    // the next packet may go
inline constexpr std::uint8_t kSendAwaiting = 3; // a packet is out, its acknowledgement awaited

// Everything one upload keeps between passes. The program has one (see Epo.h);
// the window's thread fills it before the upload thread starts, which then owns it.
struct UploadState {
    std::int32_t EpoWaitBinary = 0;      // 1 while watching for the first binary data
    std::int32_t EpoTransferActive = 0;  // 1 from binary mode recognised to the ending
    std::uint8_t EpoBinarySeen = 0;      // 1 while received bytes are framed as packets
    std::uint8_t EpoSendState = kSendReady;
    std::int32_t EpoAckCountdown = kAckPatience;
    std::int16_t EpoTotalPackets = 0;
    std::int16_t EpoRemainingPackets = 0;
    std::uint16_t EpoNextSeq = 0;
    std::uint8_t EpoRxState = 0;  // 0 looking for 04 24, 1 inside a packet
    std::int32_t EpoRxLen = 0;
    std::uint8_t EpoRxBuf[kEpoRxBufSize] = {};
    // The last byte framed, so that a 04 24 or 0D 0A split between two reads is
    // still seen; -1 when there is none (start, or just after a packet's end).
    std::int16_t EpoRxLast = -1;
    // The start of a sentence ("$", "$G", "$PM", ...) that a read ended in before
    // it could be told from binary data; decided with the next read.
    std::uint8_t EpoHeldLen = 0;
    std::uint8_t EpoHeld[6] = {};
};

// The values the Update button sets before a transfer (packets = the file's count).
void ResetUploadState(UploadState& s);
void PrepareTransfer(UploadState& s, std::uint16_t packets);

enum class RxResult { Continue, Abandon };

// One read from the port: binary-mode detection while waiting for it, then the
// framing of every byte. Abandon when a bad acknowledgement ends the transfer;
// the rest of the chunk is then not looked at.
RxResult ReceiveChunk(UploadState& s, const std::uint8_t* data, std::size_t n);
// One framed packet, preamble to 0D 0A.
RxResult HandlePacket(UploadState& s, const std::uint8_t* p, std::size_t n);

enum class SendStep { Nothing, TimedOut, SendNext, Finish };
// What the pass does before it reads: only while a transfer is active.
SendStep NextSendStep(const UploadState& s);
// After the data packet EpoNextSeq went out.
void PacketSent(UploadState& s);
// Share of the packets sent, 0 to 100 (integer division).
int ProgressPercent(const UploadState& s);
std::string ProgressText(int percent);

}  // namespace qv::epo
