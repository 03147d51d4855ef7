#include "epo/Packets.h"

#include <charconv>
#include <climits>
#include <cstring>

namespace qv::epo {

namespace {

void PutLe16(std::uint8_t* p, std::uint16_t v) {
    p[0] = static_cast<std::uint8_t>(v & 0xFF);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

// Reads exactly one record; false on a short read.
bool ReadRecord(std::FILE* f, std::uint8_t* rec) {
    return std::fread(rec, 1, kEpoRecordSize, f) == static_cast<std::size_t>(kEpoRecordSize);
}

}  // namespace

std::int32_t EpoFileSize(std::FILE* f) {
    if (!f) return 0;
    if (std::fseek(f, 0, SEEK_END) != 0) {
        std::rewind(f);
        return 0;
    }
    const long end = std::ftell(f);
    std::rewind(f);
    if (end < 0) return 0;
    // A file too large for the count must never wrap round to a small, valid size.
    if (end > INT32_MAX) return INT32_MAX;
    return static_cast<std::int32_t>(end);
}

bool EpoFileValid(std::FILE* f) {
    if (!f) return false;
    const std::int32_t size = EpoFileSize(f);
    return size != 0 && size % kEpoRecordSize == 0 && size <= kEpoMaxFileSize;
}

std::uint16_t EpoPacketCount(std::FILE* f) {
    if (!f) return 0;
    const std::int32_t size = EpoFileSize(f);
    const std::int32_t packets = size / kEpoPacketData + (size % kEpoPacketData != 0 ? 1 : 0);
    return packets > 0xFFFF ? 0xFFFF : static_cast<std::uint16_t>(packets);
}

bool EpoReadPacket(std::uint16_t seq, std::FILE* f, std::uint8_t* out) {
    if (!f || !out) return false;
    std::uint8_t rec[kEpoRecordsPerPacket][kEpoRecordSize] = {};
    if (!ReadRecord(f, rec[0])) return false;
    // Records after the first that the file no longer holds go out as zeros.
    for (int i = 1; i < kEpoRecordsPerPacket; ++i)
        if (!ReadRecord(f, rec[i])) std::memset(rec[i], 0, kEpoRecordSize);
    return EpoBuildPacket(seq, rec[0], rec[1], rec[2], out);
}

bool EpoEndPacket(std::uint8_t* out) {
    static const std::uint8_t zeros[kEpoRecordSize] = {};
    return EpoBuildPacket(kEpoEndSeq, zeros, zeros, zeros, out);
}

bool EpoBuildPacket(std::uint16_t seq, const std::uint8_t* rec1, const std::uint8_t* rec2,
                    const std::uint8_t* rec3, std::uint8_t* out) {
    out[0] = 0x04;
    out[1] = 0x24;
    PutLe16(out + 2, kEpoPacketSize);
    PutLe16(out + 4, kEpoPacketId);
    PutLe16(out + 6, seq);
    std::memcpy(out + 8, rec1, kEpoRecordSize);
    std::memcpy(out + 8 + kEpoRecordSize, rec2, kEpoRecordSize);
    std::memcpy(out + 8 + 2 * kEpoRecordSize, rec3, kEpoRecordSize);
    out[kEpoPacketSize - 3] = FrameChecksum(out, 2, kEpoPacketSize - 4);
    out[kEpoPacketSize - 2] = 0x0D;
    out[kEpoPacketSize - 1] = 0x0A;
    return true;
}

std::uint8_t FrameChecksum(const std::uint8_t* p, std::size_t from, std::size_t to) {
    std::uint8_t x = 0;
    for (std::size_t i = from; i <= to; ++i) x ^= p[i];
    return x;
}

const std::uint8_t kNmeaModeTemplate[kNmeaModePacketSize] = {
    0x04, 0x24, 0x0E, 0x00, 0xFD, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0xF3, 0x0D, 0x0A};

std::uint32_t BaudFromText(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    std::uint32_t rate = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), rate);
    if (ec != std::errc() || end != text.data() + text.size()) return 0;
    return rate;
}

void SetNmeaModeBaud(std::uint8_t* packet, std::string_view baudText) {
    static constexpr std::uint32_t kListRates[] = {4800, 9600, 14400, 19200, 38400, 57600, 115200};
    const std::uint32_t rate = BaudFromText(baudText);
    bool listed = false;
    for (auto r : kListRates) listed = listed || r == rate;
    if (!listed) return;  // not one of the list's rates: the template stays as it is
    for (int i = 0; i < 4; ++i) packet[7 + i] = static_cast<std::uint8_t>(rate >> (8 * i));
    packet[11] = FrameChecksum(packet, 2, 10);
}

void BuildAck(const Ack& ack, std::uint8_t* out) {
    out[0] = 0x04;
    out[1] = 0x24;
    PutLe16(out + 2, kAckPacketSize);
    PutLe16(out + 4, ack.id);
    PutLe16(out + 6, ack.word);
    out[8] = ack.result;
    out[9] = FrameChecksum(out, 2, 8);
    out[10] = 0x0D;
    out[11] = 0x0A;
}

ReceivedPacket ParsePacket(const std::uint8_t* p, std::size_t n) {
    auto at = [&](std::size_t i) -> std::uint8_t { return i < n ? p[i] : 0; };
    ReceivedPacket r;
    r.length = static_cast<std::uint16_t>(at(2) | (at(3) << 8));
    r.ack.id = static_cast<std::uint16_t>(at(4) | (at(5) << 8));
    r.ack.word = static_cast<std::uint16_t>(at(6) | (at(7) << 8));
    r.ack.result = at(8);
    if (n >= 4) {
        const std::uint8_t sum = n >= 6 ? FrameChecksum(p, 2, n - 4) : 0;
        r.checksumOk = sum == p[n - 3];
    }
    return r;
}

}  // namespace qv::epo
