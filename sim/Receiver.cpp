#include "sim/Receiver.h"

#include <algorithm>
#include <cstdio>

namespace qv::sim {

namespace {

constexpr std::size_t kMaxLine = 256;
constexpr auto kSettle = std::chrono::milliseconds(20);   // after the program's port matches
constexpr auto kStatusEvery = std::chrono::milliseconds(100);
constexpr std::size_t kMaxLog = 100000;  // received commands and packets kept
constexpr std::size_t kMaxQueue = 64 * 1024;  // replies beyond this are lost (a flooding program)

std::string ReleaseFor(int generation) {
    switch (generation) {
        case 1: return "AXN_1.30";
        case 2: return "AXN_2.51_3339_19071200";
        case 3: return "AXN_3.80_5701_22010500";
        default: return "AXN_" + std::to_string(generation) + ".00";
    }
}

// Texts that go into a reply must not break its framing.
std::string Clean(std::string s) {
    for (char& c : s)
        if (c == '$' || c == '*' || c == '\r' || c == '\n') c = '_';
    return s;
}

bool AllZero(const EpoRecord& r) {
    return std::all_of(r.begin(), r.end(), [](std::uint8_t b) { return b == 0; });
}

std::uint32_t RecordHours(const EpoRecord& r) {
    return r[0] | (r[1] << 8) | (static_cast<std::uint32_t>(r[2]) << 16);
}

template <class T>
void Bounded(std::vector<T>& log, T item) {
    if (log.size() >= kMaxLog) log.erase(log.begin(), log.begin() + static_cast<std::ptrdiff_t>(kMaxLog / 2));
    log.push_back(std::move(item));
}

}  // namespace

std::array<int, kRateFields> DefaultRates() {
    std::array<int, kRateFields> r{};
    for (int i = 0; i < 6; ++i) r[i] = 1;
    r[static_cast<int>(SentenceKind::ZDA)] = 1;
    r[static_cast<int>(SentenceKind::MCHN)] = 0;
    return r;
}

bool SupportedBaud(long baud) {
    static const long kRates[] = {4800, 9600, 14400, 19200, 38400, 57600, 115200, 230400, 460800, 921600};
    return std::find(std::begin(kRates), std::end(kRates), baud) != std::end(kRates);
}

Receiver::Receiver(const Options& options) : opt_(options), stream_(options.seed) {
    if (opt_.release.empty()) opt_.release = ReleaseFor(opt_.generation);
    settings.rates = DefaultRates();
    settings.fixIntervalMs = std::clamp(opt_.fixIntervalMs, 100, 10000);
    settings.baud = opt_.baud;
    fault = opt_.epoFault;
    faultPacket = opt_.epoFaultPacket;
    stream_.Restart(RestartKind::Cold);
}

std::size_t Receiver::QueuedBytes() const {
    std::size_t n = 0;
    for (const OutItem& item : out) n += item.bytes.size() - item.offset;
    return n;
}

void Receiver::Reply(const std::string& body) {
    if (QueuedBytes() < kMaxQueue) out.push_back({FrameSentence(body), true});
}

void Receiver::Send(const Bytes& packet) {
    if (QueuedBytes() < kMaxQueue) out.push_back({std::string(packet.begin(), packet.end()), false});
}

void Receiver::Delivered(const OutItem& item) {
    if (!item.sentence || !item.clean) return;
    sent.push_back(item.bytes);
    ++sentCount;
    while (sent.size() > opt_.keepSentences) sent.pop_front();
}

// ---- NMEA mode --------------------------------------------------------------

void Receiver::Noise() {
    line_.clear();
    framer_.Reset();
}

void Receiver::Input(const std::uint8_t* data, std::size_t n, SteadyTime now) {
    for (std::size_t i = 0; i < n; ++i) {
        if (settings.binaryMode) {
            framer_.Feed(data + i, n - i);
            while (auto p = framer_.Next()) {
                Packet(*p, now);
                if (!settings.binaryMode || dropLine) return;  // the rest was meant for binary mode
            }
            return;
        }
        const char c = static_cast<char>(data[i]);
        if (c == '$') line_.clear();
        if (c != '$' && line_.empty()) continue;
        line_ += c;
        if (c == '\n') {
            const std::string line = std::move(line_);
            line_.clear();
            Line(line, now);
        } else if (line_.size() > kMaxLine) {
            line_.clear();
        }
    }
}

void Receiver::Line(std::string_view line, SteadyTime now) {
    const auto cmd = ParseCommand(line);
    if (!cmd) return;
    Bounded(commands, ReceivedCommand{now, std::string(line), cmd->number, cmd->fields});
    Handle(*cmd);
}

void Receiver::Handle(const Command& c) {
    const int n = c.number;
    // Restarts, the baud rate and the switch to binary are never acknowledged.
    if (n == 101 || n == 102 || n == 103) {
        stream_.Restart(n == 101 ? RestartKind::Hot : n == 102 ? RestartKind::Warm : RestartKind::Cold);
        return;
    }
    if (n == 251) {
        const auto rate = c.fields.empty() ? std::nullopt : FieldNumber(c.fields[0]);
        if (rate && SupportedBaud(*rate)) settings.baud = static_cast<std::uint32_t>(*rate);
        return;
    }
    if (n == 253) {
        EnterBinary(c);
        return;
    }
    const auto forced = ackOverride.find(n);
    if (forced != ackOverride.end() && forced->second != 3) {
        Reply("PMTK001," + std::to_string(n) + "," + std::to_string(forced->second));
        return;
    }
    char buf[96];
    switch (n) {
        case 400:
            std::snprintf(buf, sizeof buf, "PMTK500,%d,0,0,0,0", settings.fixIntervalMs);
            return Reply(buf);
        case 401:
            return Reply("PMTK501," + std::to_string(settings.dgpsMode));
        case 414: {
            std::string body = "PMTK514";
            for (int r : settings.rates) body += "," + std::to_string(r);
            return Reply(body);
        }
        case 605:
            return Reply("PMTK705," + Clean(opt_.release) + "," + Clean(opt_.build) + "," + Clean(opt_.model) + "," +
                         Clean(opt_.extra));
        case 607:
            return Reply(StatusReply());
        case 869:
            if (!c.fields.empty() && c.fields[0] == "0" && opt_.generation >= 2)
                return Reply(std::string("PMTK869,2,") + (settings.easy ? "1" : "0"));
            break;
        default:
            break;
    }
    Reply("PMTK001," + std::to_string(n) + "," + std::to_string(Apply(c)));
}

// Carries out a setting; the acknowledgement flag (3 done, 2 refused, 1 unknown).
int Receiver::Apply(const Command& c) {
    std::vector<long> v;
    for (const std::string& f : c.fields) {
        const auto x = FieldNumber(f);
        if (!x) return 2;
        v.push_back(*x);
    }
    switch (c.number) {
        case 127:
            records.clear();
            return 3;
        case 300:
            if (v.empty() || v[0] < 100 || v[0] > 10000) return 2;
            settings.fixIntervalMs = static_cast<int>(v[0]);
            return 3;
        case 301:
            if (v.size() != 1 || v[0] < 0 || v[0] > 2) return 2;
            settings.dgpsMode = static_cast<int>(v[0]);
            return 3;
        case 313:
            if (v.size() != 1 || v[0] < 0 || v[0] > 1) return 2;
            settings.sbas = v[0] == 1;
            return 3;
        case 314:
            if (v.size() == 1 && v[0] == -1) {
                settings.rates = DefaultRates();
                return 3;
            }
            if (v.empty() || v.size() > kRateFields) return 2;
            if (std::any_of(v.begin(), v.end(), [](long r) { return r < 0 || r > 5; })) return 2;
            settings.rates.fill(0);
            for (std::size_t i = 0; i < v.size(); ++i) settings.rates[i] = static_cast<int>(v[i]);
            return 3;
        case 869:
            if (opt_.generation < 2) return 1;
            if (v.size() != 2 || v[0] != 1 || v[1] < 0 || v[1] > 1) return 2;
            settings.easy = v[1] == 1;
            return 3;
        default:
            return 1;
    }
}

void Receiver::Fix() {
    const bool differential = settings.dgpsMode == 2 && settings.sbas;
    const FixOutput fix = stream_.Next(settings.fixIntervalMs, differential);
    const std::uint64_t index = fixCount++;
    if (settings.binaryMode) return;
    // A line too slow for the stream drops whole fixes rather than cutting sentences.
    if (QueuedBytes() > settings.baud / 10) return;
    for (const auto& [kind, text] : fix.sentences) {
        const int rate = settings.rates[static_cast<int>(kind)];
        if (rate > 0 && index % static_cast<std::uint64_t>(rate) == 0) out.push_back({text, true});
    }
}

// ---- Binary mode ------------------------------------------------------------

void Receiver::EnterBinary(const Command& c) {
    if (fault == EpoFault::NeverBinary) return;
    if (c.fields.size() != 2 || c.fields[0] != "1") return;
    const auto rate = FieldNumber(c.fields[1]);
    if (!rate || !SupportedBaud(*rate)) return;
    settings.baud = static_cast<std::uint32_t>(*rate);
    settings.binaryMode = true;
    out.clear();  // NMEA output stops at once, mid-sentence if need be
    framer_.Reset();
    line_.clear();
    programSpoke_ = false;
    switchAckPending_ = opt_.ackEpoSwitch;
    listening_ = false;
    pending_.clear();
    expectedSeq_ = 0;
}

void Receiver::Tick(SteadyTime now, bool listening) {
    if (!settings.binaryMode || programSpoke_) return;
    if (!listening) {
        listening_ = false;
        return;
    }
    if (!listening_) {
        // Give the program a moment to finish configuring its port (it may purge).
        listening_ = true;
        nextStatus_ = now + kSettle;
    }
    if (now < nextStatus_) return;
    if (switchAckPending_) {
        Send(AckPacket(kPacketAck, 253, opt_.epoSwitchAckResult));
        switchAckPending_ = false;
    } else {
        Send(StatusPacket(statusCounter_++));
    }
    nextStatus_ = now + kStatusEvery;
}

void Receiver::Packet(const Bytes& p, SteadyTime now) {
    const bool ok = PacketChecksum(p.data(), p.size()) == p[p.size() - 3];
    const std::uint16_t id = Le16(&p[4]);
    Bounded(packets, ReceivedPacket{now, id, p.size() >= 9 ? Le16(&p[6]) : std::uint16_t{0}, ok, p});
    programSpoke_ = true;
    if (id == kPacketEpoData && p.size() == kEpoPacketSize) {
        DataPacket(p, ok);
    } else if (id == kPacketSwitchNmea && p.size() == 14 && ok && p[6] == 0) {
        const long rate = p[7] | (p[8] << 8) | (p[9] << 16) | (static_cast<long>(p[10]) << 24);
        if (SupportedBaud(rate)) settings.baud = static_cast<std::uint32_t>(rate);
        settings.binaryMode = false;
        framer_.Reset();
    }
}

void Receiver::DataPacket(const Bytes& p, bool ok) {
    const std::uint16_t seq = Le16(&p[6]);
    if (seq == kEpoEndSequence) {
        if (ok) Commit();
        return;
    }
    if (fault != EpoFault::None && fault != EpoFault::NeverBinary && seq == faultPacket) {
        const EpoFault f = fault;
        fault = EpoFault::None;
        switch (f) {
            case EpoFault::FailedAck: return Send(AckPacket(kPacketEpoAck, seq, 0));
            case EpoFault::WrongSequenceAck:
                return Send(AckPacket(kPacketEpoAck, static_cast<std::uint16_t>(seq - 1), 1));
            case EpoFault::CorruptAckChecksum: {
                Bytes ack = AckPacket(kPacketEpoAck, seq, 1);
                ack[9] ^= 0xFF;
                return Send(ack);
            }
            case EpoFault::ForeignPackets:
                for (int i = 0; i < 10; ++i) Send(StatusPacket(statusCounter_++));
                return;
            case EpoFault::DropLine: dropLine = true; return;
            default: break;
        }
    }
    if (!ok) return Send(AckPacket(kPacketEpoAck, seq, 0));
    if (seq == 0) {
        pending_.clear();
        expectedSeq_ = 0;
    }
    if (seq == expectedSeq_) {
        for (int r = 0; r < 3; ++r) {
            EpoRecord rec;
            std::copy_n(p.begin() + 8 + r * kEpoRecordSize, kEpoRecordSize, rec.begin());
            pending_.push_back(rec);
        }
        ++expectedSeq_;
        return Send(AckPacket(kPacketEpoAck, seq, 1));
    }
    // A repeat of the packet just taken is acknowledged again; anything else is out of order.
    Send(AckPacket(kPacketEpoAck, seq, seq + 1u == expectedSeq_ ? 1 : 0));
}

void Receiver::Commit() {
    if (pending_.empty()) return;
    // Only the last packet can carry padding: its second and third records.
    for (int i = 0; i < 2 && AllZero(pending_.back()); ++i) pending_.pop_back();
    records = std::move(pending_);
    pending_.clear();
    expectedSeq_ = 0;
}

std::string Receiver::StatusReply() const {
    const std::size_t sets = records.size() / 32;
    if (sets == 0) return "PMTK707,0,0,0,0,0,0,0,0,0";
    const std::uint32_t first = RecordHours(records.front());
    const std::uint32_t last = RecordHours(records[(sets - 1) * 32]);
    const std::uint32_t end = last + 6;
    char buf[128];
    std::snprintf(buf, sizeof buf, "PMTK707,%zu,%u,%u,%u,%u,%u,%u,%u,%u", sets, first / 168, first % 168 * 3600,
                  last / 168, last % 168 * 3600, first / 168, first % 168 * 3600, end / 168, end % 168 * 3600);
    return buf;
}

}  // namespace qv::sim
