// The receiver's two wire formats, as the simulated receiver speaks them:
// NMEA sentences (its output and the PMTK commands it accepts) and the binary
// packets of its orbit-data mode. Pure functions, no state.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv::sim {

// ---- NMEA ---------------------------------------------------------------

// Two upper-case hex digits: XOR of every byte of body (the text between "$" and "*").
std::string NmeaChecksum(std::string_view body);
// "$" + body + "*" + checksum + CR LF.
std::string FrameSentence(std::string_view body);
// True for exactly one well-formed sentence: "$", printable body without "$" or
// "*", "*", two upper-case hex digits matching the body, CR LF, nothing else.
bool SentenceWellFormed(std::string_view sentence);

// A PMTK command as received: its number and the fields after it.
struct Command {
    int number = -1;
    std::vector<std::string> fields;
};
// Parses one received line ("$PMTKnnn,f1,...*HH", optionally followed by CR
// and/or LF). Nothing when it is not a PMTK command or its checksum is wrong
// (hex digits of either case are accepted).
std::optional<Command> ParseCommand(std::string_view line);
// A field as a whole decimal integer (optional sign); nothing for anything else.
std::optional<long> FieldNumber(std::string_view field);

// ---- Binary packets -------------------------------------------------------
//
// Frame: 04 24, length (whole packet, LE16), id (LE16), payload, checksum (XOR
// of bytes 2 .. length-4), 0D 0A.

using Bytes = std::vector<std::uint8_t>;

inline constexpr std::uint16_t kPacketAck = 1;         // command acknowledgement
inline constexpr std::uint16_t kPacketEpoAck = 2;      // data-packet acknowledgement
inline constexpr std::uint16_t kPacketSwitchNmea = 253;
inline constexpr std::uint16_t kPacketEpoData = 722;
// A packet the simulated receiver sends on its own in binary mode (its line is
// never silent): length 11, so a program never takes it for an acknowledgement.
inline constexpr std::uint16_t kPacketStatus = 900;
inline constexpr std::size_t kEpoPacketSize = 191;
inline constexpr std::size_t kEpoRecordSize = 60;
inline constexpr std::uint16_t kEpoEndSequence = 0xFFFF;
inline constexpr std::size_t kMaxPacket = 512;

std::uint8_t PacketChecksum(const std::uint8_t* packet, std::size_t length);
Bytes BuildPacket(std::uint16_t id, const std::uint8_t* payload, std::size_t n);
// The 12-byte acknowledgement: id 1 (word = command id) or 2 (word = sequence).
Bytes AckPacket(std::uint16_t id, std::uint16_t word, std::uint8_t result);
Bytes StatusPacket(std::uint16_t counter);
inline std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// Cuts received bytes into packets by their length field. Anything that is not
// a packet is skipped; a length outside 9..kMaxPacket or a packet not ending in
// CR LF makes it resynchronise one byte further on. Memory stays bounded.
class PacketFramer {
public:
    // Appends bytes; complete packets are taken with Next().
    void Feed(const std::uint8_t* data, std::size_t n);
    std::optional<Bytes> Next();
    void Reset() { buf_.clear(); }

private:
    Bytes buf_;
};

// ---- EPO records ----------------------------------------------------------
//
// A record is 60 opaque bytes. The simulated receiver reads the time it stands
// for from its first three bytes, little-endian: GPS hours since the GPS epoch
// (6 January 1980). GPS week = hours / 168, time of week = (hours % 168) * 3600 s.

using EpoRecord = std::array<std::uint8_t, kEpoRecordSize>;

struct GpsTime {
    int week = 0;
    int tow = 0;  // seconds
};
GpsTime EpoRecordTime(const EpoRecord& record);
// A record standing for the given GPS hour; the other bytes are a fixed pattern.
EpoRecord MakeEpoRecord(std::uint32_t gpsHours);

}  // namespace qv::sim
