// A simulated receiver on a pseudo-terminal: it behaves like a module on a real
// line (its own baud rate, output paced at the line's speed, garbage when the
// other side is set to another rate), emits a seeded multi-constellation stream
// and answers PMTK commands. Used by tests, benchmarks and the "Demo receiver".
//
// The line. The device side (DevicePath) is what the program opens. The receiver
// sends at most baud/10 bytes per second, in small slices on a schedule. It reads
// the rate the program configured on the device; while that differs from its own
// rate, every byte it sends arrives scrambled (top bit set, never ASCII, as a
// mis-clocked UART would see it) and every byte the program sends is ignored
// (a pty tells nothing of when a byte was written, so input within 50 ms of the
// device side last being at the receiver's rate still counts as sent at it).
// While nobody has the device open its output is lost, as on a real wire; the
// device path stays valid until Stop() so the program can reconnect. While the
// device buffer is full (the program not reading) the line is held back rather
// than cut, and the receiver skips whole fixes meanwhile.
//
// The stream. One fix per fix interval (1 s unless set): GNRMC, GNGGA, GNGSA,
// GPGSA, GLGSA, GAGSA, the GPGSV (with QZSS 193-195), GLGSV and GAGSV groups,
// GNGLL, GNVTG, GNZDA and, when its rate is on, $PMTKCHN. Each is sent on every
// n-th fix as its output rate says. After the start and each restart the fix
// goes none, 2D, 3D (cold 3 s / 6 s, warm 2 s / 3 s, hot 1 s / 1.5 s). When the
// line cannot carry a whole fix (the queue holds more than a second of line
// time) the fix is skipped, never cut. Content depends only on the seed and the
// fix intervals.
//
// Commands (checksum checked, others ignored): 101/102/103 restart (no reply);
// 127 erases the EPO data; 251,<rate> switches its line (no reply); 253,1,<rate>
// enters the binary EPO mode at that rate; 300,<ms> (100..10000); 301,<0..2>;
// 313,<0|1>; 314 with up to 19 rates 0..5, or -1 for the defaults; 869,1,<0|1>
// (generations 2 and 3). Each setting is acknowledged "$PMTK001,<cmd>,<flag>":
// 3 done, 2 refused value, 1 unknown or unsupported command. Queries: 400 ->
// $PMTK500, 401 -> $PMTK501, 414 -> $PMTK514 (19 fields), 605 -> $PMTK705,
// 607 -> $PMTK707, 869,0 -> $PMTK869,2,<0|1>.
//
// Binary mode. Each id-722 data packet is acknowledged with an id-2 packet
// (result 1; 0 for a bad checksum or a sequence out of order). The end packet
// (sequence 0xFFFF) is not acknowledged and makes the received records the
// stored EPO data (the zero padding of the last packet dropped). The 14-byte
// id-253 packet returns to NMEA at the rate it carries (a rate it does not know,
// such as 0, keeps the current one). Until the program's first packet the
// receiver sends a status packet (id 900, 11 bytes) every 100 ms, optionally
// preceded by one id-1 acknowledgement of command 253.
//
// EPO status: $PMTK707,<sets>,<firstWeek>,<firstTow>,<lastWeek>,<lastTow>,
// <firstWeek>,<firstTow>,<endWeek>,<endTow> with sets = records / 32, the first
// set's record 0 and the last set's first record read by EpoRecordTime
// (sim/Protocol.h), and the end 6 hours after the last set's start.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/Protocol.h"

namespace qv::sim {

inline constexpr int kRateFields = 19;

// Faults of the binary exchange, each at the data packet with sequence number
// `packet`. One-shot: after it fires the exchange is normal again (re-arm with
// SetEpoFault). NeverBinary is a standing refusal: 253 is ignored.
enum class EpoFault {
    None,
    NeverBinary,         // stays in NMEA mode at its own rate
    FailedAck,           // id-2 acknowledgement with result 0
    WrongSequenceAck,    // id-2 acknowledgement naming the sequence before
    CorruptAckChecksum,  // acknowledgement with its checksum inverted
    ForeignPackets,      // ten status packets instead of the acknowledgement
    DropLine,            // the line goes dead (the device vanishes)
};

struct Options {
    std::uint32_t baud = 115200;  // the receiver's own line speed
    std::uint64_t seed = 1;       // same seed, same stream
    int generation = 3;           // firmware generation 1, 2 or 3 (release text "AXN_<g>...")
    std::string model = "QX-3G";  // module model text, 705 field 3 (try "RK-5...")
    std::string release;          // firmware release text; empty: the generation's own
    std::string build = "5632";   // 705 field 2
    std::string extra = "1.0";    // 705 field 4
    int fixIntervalMs = 1000;
    bool ackEpoSwitch = false;    // acknowledge 253 with a binary id-1 packet
    std::uint8_t epoSwitchAckResult = 3;
    EpoFault epoFault = EpoFault::None;
    int epoFaultPacket = 0;
    std::size_t keepSentences = 50000;  // observation log bound (oldest dropped)
};

// The receiver's settings as the commands left them.
struct Settings {
    std::array<int, kRateFields> rates{};  // rate command field order
    int fixIntervalMs = 1000;
    int dgpsMode = 0;  // 0 none, 1 RTCM, 2 SBAS
    bool sbas = true;
    bool easy = true;
    std::uint32_t baud = 115200;  // its own line rate now
    bool binaryMode = false;
};
// The rates after "$PMTK314,-1": every sentence on every fix, MCHN off.
std::array<int, kRateFields> DefaultRates();

using SteadyTime = std::chrono::steady_clock::time_point;

struct ReceivedCommand {
    SteadyTime at;       // when its last byte was read
    std::string raw;     // the bytes as received, "$" through the line end
    int number = -1;     // the PMTK command number
    std::vector<std::string> fields;
};

struct ReceivedPacket {
    SteadyTime at;
    std::uint16_t id = 0;
    std::uint16_t word = 0;  // bytes 6-7: the sequence of a data packet
    bool checksumOk = false;
    Bytes bytes;
};

class Simulator {
public:
    explicit Simulator(Options options = {});
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the pseudo-terminal and starts the receiver. False on failure.
    bool Start();
    // Stops the receiver and closes its side of the line (the device vanishes).
    void Stop();
    // The device path the program opens (the pty's slave side).
    std::string DevicePath() const;

    // ---- Observation (any thread) ----
    // Every valid NMEA sentence sent whole while the program's port was open at
    // the receiver's rate, exact bytes, in order (the newest keepSentences).
    std::vector<std::string> SentSentences() const;
    std::size_t SentSentenceCount() const;  // all of them, never trimmed
    // Recognised PMTK commands, in order of arrival.
    std::vector<ReceivedCommand> ReceivedCommands() const;
    std::vector<ReceivedPacket> ReceivedPackets() const;
    std::uint64_t ReceivedByteCount() const;  // every byte read from the line
    Settings CurrentSettings() const;
    std::vector<EpoRecord> EpoRecords() const;
    std::uint32_t LineBaud() const;     // the receiver's own rate
    std::uint32_t ProgramBaud() const;  // the rate set on the device side, 0 unknown
    bool BinaryMode() const;
    bool LineDropped() const;           // the DropLine fault fired
    std::uint64_t FixCount() const;
    void ClearObservations();           // sentences, commands, packets

    // ---- Control (any thread) ----
    // Acknowledge `command` with `flag` instead of carrying it out; flag < 0 clears.
    void SetAckFlag(int command, int flag);
    void SetEpoFault(EpoFault fault, int packet);
    void SetEpoRecords(std::vector<EpoRecord> records);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qv::sim
