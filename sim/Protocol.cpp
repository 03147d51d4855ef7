#include "sim/Protocol.h"

#include <algorithm>
#include <cstdlib>

namespace qv::sim {

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::uint8_t XorOf(std::string_view s) {
    std::uint8_t x = 0;
    for (char c : s) x ^= static_cast<std::uint8_t>(c);
    return x;
}

}  // namespace

std::string NmeaChecksum(std::string_view body) {
    static const char kHex[] = "0123456789ABCDEF";
    const std::uint8_t x = XorOf(body);
    return {kHex[x >> 4], kHex[x & 0x0F]};
}

std::string FrameSentence(std::string_view body) {
    std::string s;
    s.reserve(body.size() + 6);
    s += '$';
    s += body;
    s += '*';
    s += NmeaChecksum(body);
    s += "\r\n";
    return s;
}

bool SentenceWellFormed(std::string_view s) {
    if (s.size() < 7 || s.front() != '$' || s.substr(s.size() - 2) != "\r\n") return false;
    const std::size_t star = s.size() - 5;
    if (s[star] != '*') return false;
    const std::string_view body = s.substr(1, star - 1);
    for (char c : body) {
        if (c < 0x20 || c > 0x7E || c == '$' || c == '*') return false;
    }
    return s.substr(star + 1, 2) == NmeaChecksum(body);
}

std::optional<long> FieldNumber(std::string_view f) {
    std::size_t i = 0;
    if (!f.empty() && (f[0] == '-' || f[0] == '+')) i = 1;
    if (i == f.size() || f.size() - i > 9) return std::nullopt;
    long v = 0;
    for (std::size_t k = i; k < f.size(); ++k) {
        if (f[k] < '0' || f[k] > '9') return std::nullopt;
        v = v * 10 + (f[k] - '0');
    }
    return f[0] == '-' ? -v : v;
}

std::optional<Command> ParseCommand(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) line.remove_suffix(1);
    if (line.size() < 11 || line.substr(0, 5) != "$PMTK") return std::nullopt;
    const std::size_t star = line.size() - 3;
    if (line[star] != '*') return std::nullopt;
    const int hi = HexValue(line[star + 1]), lo = HexValue(line[star + 2]);
    const std::string_view body = line.substr(1, star - 1);
    if (hi < 0 || lo < 0 || XorOf(body) != hi * 16 + lo) return std::nullopt;
    if (body.find_first_of("$*") != std::string_view::npos) return std::nullopt;

    Command cmd;
    std::string_view rest = body.substr(4);  // after "PMTK"
    const std::size_t comma = rest.find(',');
    const std::string_view num = rest.substr(0, comma);
    if (num.size() != 3 || !std::all_of(num.begin(), num.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    cmd.number = std::atoi(std::string(num).c_str());
    if (comma == std::string_view::npos) return cmd;
    std::string_view f = rest.substr(comma + 1);
    for (;;) {
        const std::size_t next = f.find(',');
        cmd.fields.emplace_back(f.substr(0, next));
        if (next == std::string_view::npos) break;
        if (cmd.fields.size() > 64) return std::nullopt;
        f.remove_prefix(next + 1);
    }
    return cmd;
}

std::uint8_t PacketChecksum(const std::uint8_t* p, std::size_t length) {
    std::uint8_t x = 0;
    for (std::size_t i = 2; i + 3 < length; ++i) x ^= p[i];
    return x;
}

Bytes BuildPacket(std::uint16_t id, const std::uint8_t* payload, std::size_t n) {
    const std::size_t length = n + 9;
    Bytes p(length);
    p[0] = 0x04;
    p[1] = 0x24;
    p[2] = static_cast<std::uint8_t>(length & 0xFF);
    p[3] = static_cast<std::uint8_t>(length >> 8);
    p[4] = static_cast<std::uint8_t>(id & 0xFF);
    p[5] = static_cast<std::uint8_t>(id >> 8);
    std::copy(payload, payload + n, p.begin() + 6);
    p[length - 3] = PacketChecksum(p.data(), length);
    p[length - 2] = 0x0D;
    p[length - 1] = 0x0A;
    return p;
}

Bytes AckPacket(std::uint16_t id, std::uint16_t word, std::uint8_t result) {
    const std::uint8_t payload[3] = {static_cast<std::uint8_t>(word & 0xFF),
                                     static_cast<std::uint8_t>(word >> 8), result};
    return BuildPacket(id, payload, sizeof payload);
}

Bytes StatusPacket(std::uint16_t counter) {
    const std::uint8_t payload[2] = {static_cast<std::uint8_t>(counter & 0xFF),
                                     static_cast<std::uint8_t>(counter >> 8)};
    return BuildPacket(kPacketStatus, payload, sizeof payload);
}

void PacketFramer::Feed(const std::uint8_t* data, std::size_t n) {
    buf_.insert(buf_.end(), data, data + n);
}

std::optional<Bytes> PacketFramer::Next() {
    for (;;) {
        // Drop everything before the next preamble (keep a trailing 0x04: the
        // 0x24 may come with the next read).
        std::size_t start = 0;
        while (start < buf_.size() && !(buf_[start] == 0x04 && (start + 1 == buf_.size() || buf_[start + 1] == 0x24)))
            ++start;
        buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(start));
        if (buf_.size() < 4) return std::nullopt;
        const std::size_t length = Le16(&buf_[2]);
        if (length < 9 || length > kMaxPacket) {
            buf_.erase(buf_.begin());
            continue;
        }
        if (buf_.size() < length) return std::nullopt;
        if (buf_[length - 2] != 0x0D || buf_[length - 1] != 0x0A) {
            buf_.erase(buf_.begin());
            continue;
        }
        Bytes packet(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(length));
        buf_.erase(buf_.begin(), buf_.begin() + static_cast<std::ptrdiff_t>(length));
        return packet;
    }
}

GpsTime EpoRecordTime(const EpoRecord& r) {
    const std::uint32_t hours = r[0] | (r[1] << 8) | (static_cast<std::uint32_t>(r[2]) << 16);
    return {static_cast<int>(hours / 168), static_cast<int>((hours % 168) * 3600)};
}

EpoRecord MakeEpoRecord(std::uint32_t gpsHours) {
    EpoRecord r{};
    r[0] = static_cast<std::uint8_t>(gpsHours & 0xFF);
    r[1] = static_cast<std::uint8_t>((gpsHours >> 8) & 0xFF);
    r[2] = static_cast<std::uint8_t>((gpsHours >> 16) & 0xFF);
    for (std::size_t i = 3; i < r.size(); ++i) r[i] = static_cast<std::uint8_t>(i * 7 + gpsHours);
    return r;
}

}  // namespace qv::sim
