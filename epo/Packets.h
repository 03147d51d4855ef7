// The EPO file and the receiver's binary packets: measuring and checking a file,
// packing its 60-byte records into id-722 data packets, the end packet, the id-253
// packet that returns the receiver to NMEA output, and the acknowledgements.
//
// Binary frame: 04 24, length (LE16, whole packet), id (LE16), payload,
// XOR of every byte from the length field to the last payload byte, 0D 0A.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <string_view>

namespace qv::epo {

inline constexpr int kEpoRecordSize = 60;
inline constexpr int kEpoRecordsPerPacket = 3;
inline constexpr int kEpoPacketData = kEpoRecordSize * kEpoRecordsPerPacket;  // 180
inline constexpr std::int32_t kEpoMaxFileSize = 268800;  // 35 days of records
inline constexpr int kEpoPacketSize = 191;
inline constexpr std::uint16_t kEpoPacketId = 722;
inline constexpr std::uint16_t kEpoEndSeq = 0xFFFF;
inline constexpr int kNmeaModePacketSize = 14;
inline constexpr int kAckPacketSize = 12;

// Size of an open binary stream; the stream is left at offset 0. Null gives 0.
std::int32_t EpoFileSize(std::FILE* f);
// Non-null, non-empty, whole records, at most kEpoMaxFileSize. Leaves offset 0.
bool EpoFileValid(std::FILE* f);
// Packets needed for the whole file (ceiling of size / 180). Leaves offset 0.
std::uint16_t EpoPacketCount(std::FILE* f);
// Reads the next three records from the current position into a data packet;
// records that are missing after the first are sent as zeros. False, with nothing
// built, when the first record cannot be read in full (or f/out is null).
bool EpoReadPacket(std::uint16_t seq, std::FILE* f, std::uint8_t* out);
// The packet that closes a transfer: sequence 0xFFFF, three zero records.
bool EpoEndPacket(std::uint8_t* out);
// Fills all 191 bytes of a data packet from three 60-byte records.
bool EpoBuildPacket(std::uint16_t seq, const std::uint8_t* rec1, const std::uint8_t* rec2,
                    const std::uint8_t* rec3, std::uint8_t* out);

// XOR of bytes [from, to] (inclusive) of a packet.
std::uint8_t FrameChecksum(const std::uint8_t* p, std::size_t from, std::size_t to);

// The id-253 packet template: protocol NMEA, rate 0, checksum 0xF3.
extern const std::uint8_t kNmeaModeTemplate[kNmeaModePacketSize];
// The baud-rate list's text as a number; 0 when it is not a plain unsigned integer.
std::uint32_t BaudFromText(std::string_view text);
// Puts the rate named by the baud-rate list's text into a copy of the template.
// Only the seven rates of the list are carried; any other text keeps the
// template's zero rate and its checksum.
void SetNmeaModeBaud(std::uint8_t* packet, std::string_view baudText);

// A received acknowledgement (id 1 for a command, id 2 for a data packet).
struct Ack {
    std::uint16_t id = 0;
    std::uint16_t word = 0;  // the command's id, or the data packet's sequence
    std::uint8_t result = 0;
};
// Builds a well-formed acknowledgement packet (12 bytes).
void BuildAck(const Ack& ack, std::uint8_t* out);

// The fields of a received packet (preamble to 0D 0A, n >= 4 bytes) as the upload
// reads them. Bytes a short packet does not have read as 0.
struct ReceivedPacket {
    std::uint16_t length = 0;  // the length field, not n
    Ack ack;
    bool checksumOk = false;   // XOR of bytes 2 .. n-4 equals byte n-3
};
ReceivedPacket ParsePacket(const std::uint8_t* p, std::size_t n);

}  // namespace qv::epo
