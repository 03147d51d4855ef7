// The simulated receiver's behaviour without its line: it takes the bytes the
// program sent, makes fixes when told, and queues what it sends. The Simulator
// drives it on its line thread and guards it with one mutex; it does no I/O and
// reads no clock of its own.
#pragma once

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "sim/Protocol.h"
#include "sim/Simulator.h"
#include "sim/Stream.h"

namespace qv::sim {

// One piece of output: a sentence, a reply or a binary packet.
struct OutItem {
    std::string bytes;
    bool sentence = false;  // an NMEA sentence, logged when delivered whole and clean
    std::size_t offset = 0; // bytes already on the line
    bool clean = true;      // every byte so far reached a listener at the right rate
};

class Receiver {
public:
    explicit Receiver(const Options& options);

    // Bytes the program sent while the line rates matched.
    void Input(const std::uint8_t* data, std::size_t n, SteadyTime now);
    // Bytes that arrived at another rate: to the receiver they are noise.
    void Noise();
    // One fix is due.
    void Fix();
    // Binary mode's own output; `listening` is true while the program's port is
    // open at the receiver's rate.
    void Tick(SteadyTime now, bool listening);
    // The front output item has gone out completely.
    void Delivered(const OutItem& item);

    std::size_t QueuedBytes() const;

    // State the Simulator reads and the observation API reports.
    std::deque<OutItem> out;
    Settings settings;
    bool dropLine = false;
    std::uint64_t fixCount = 0;
    std::deque<std::string> sent;
    std::size_t sentCount = 0;
    std::vector<ReceivedCommand> commands;
    std::vector<ReceivedPacket> packets;
    std::vector<EpoRecord> records;
    std::map<int, int> ackOverride;
    EpoFault fault = EpoFault::None;
    int faultPacket = 0;

private:
    void Line(std::string_view line, SteadyTime now);
    void Handle(const Command& c);
    int Apply(const Command& c);
    void Packet(const Bytes& p, SteadyTime now);
    void DataPacket(const Bytes& p, bool checksumOk);
    void EnterBinary(const Command& c);
    void Reply(const std::string& body);
    void Send(const Bytes& packet);
    std::string StatusReply() const;
    void Commit();

    Options opt_;
    NmeaStream stream_;
    std::string line_;  // command being assembled, from its "$"
    PacketFramer framer_;
    // Binary exchange.
    bool programSpoke_ = false;
    bool switchAckPending_ = false;
    bool listening_ = false;
    SteadyTime nextStatus_{};
    std::uint16_t statusCounter_ = 0;
    std::vector<EpoRecord> pending_;
    std::uint32_t expectedSeq_ = 0;
};

// Line rates the receiver can switch to.
bool SupportedBaud(long baud);

}  // namespace qv::sim
