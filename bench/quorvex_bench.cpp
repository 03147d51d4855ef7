// quorvex-bench FILE [--stage frame|decode|text] [--chunk N]
//
// Feeds a captured stream through the reader's real framing in reads of N bytes
// and then, per stage:
//   frame   the checksum test of every sentence;
//   decode  plus splitting, dispatch and the decoders into the shared state;
//   text    plus the refresh on the headless window (sentence view, text fields,
//           chart series), i.e. the whole per-sentence path of the program.
// Prints bytes, sentences, accepted, rejected, counts per type and a hash of the
// results; every figure is the same for every chunk size. Run it under
// `valgrind --tool=callgrind` to count instructions per sentence.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "config/State.h"
#include "display/Refresh.h"
#include "nmea/Dispatch.h"
#include "nmea/Fields.h"
#include "nmea/State.h"
#include "serial/Framer.h"
#include "serial/Serial.h"
#include "window/HeadlessWindow.h"

namespace {

enum class Stage { Frame, Decode, Text };

// A word-at-a-time hash: cheap enough not to blur the figures it sits beside.
struct Fnv {
    std::uint64_t h = 1469598103934665603ull;
    void Add(std::string_view s) {
        std::size_t i = 0;
        for (; i + 8 <= s.size(); i += 8) {
            std::uint64_t w;
            std::memcpy(&w, s.data() + i, 8);
            h = (h ^ w) * 1099511628211ull;
        }
        std::uint64_t tail = s.size();  // the length separates "ab","c" from "a","bc"
        for (; i < s.size(); ++i) tail = (tail << 8) | static_cast<unsigned char>(s[i]);
        h = (h ^ tail) * 1099511628211ull;
        h ^= h >> 29;
    }
    // An accepted sentence's fingerprint: its length and its first and last
    // eight bytes (the address and the checksum end up in it).
    void AddSentence(std::string_view s) {
        std::uint64_t head = 0, tail = 0;
        std::memcpy(&head, s.data(), std::min<std::size_t>(8, s.size()));
        if (s.size() >= 8) std::memcpy(&tail, s.data() + s.size() - 8, 8);
        h = (h ^ head) * 1099511628211ull;
        h = (h ^ tail ^ s.size()) * 1099511628211ull;
    }
};

// Sentence types counted by the three letters after the talker (PMTK replies as "MTK").
constexpr const char* kTypes[] = {"GGA", "GLL", "RMC", "VTG", "ZDA", "GSA", "GSV", "MTK"};
constexpr int kTypeCount = sizeof kTypes / sizeof kTypes[0];

int TypeOf(std::string_view s) {
    if (s.size() < 6) return kTypeCount;
    if (s[1] == 'P' && s[2] == 'M' && s[3] == 'T' && s[4] == 'K') return 7;
    for (int i = 0; i < 7; ++i)
        if (s[3] == kTypes[i][0] && s[4] == kTypes[i][1] && s[5] == kTypes[i][2]) return i;
    return kTypeCount;
}

struct Counts {
    std::uint64_t bytes = 0, sentences = 0, accepted = 0, rejected = 0;
    std::uint64_t types[kTypeCount + 1] = {};
    Fnv hash;
};

void HashState(Fnv& h, qv::HeadlessWindow* w) {
    const auto& s = qv::nmea::SatInfo;
    for (const std::string* t : {&s.DateText, &s.TimeText, &s.LatText, &s.LonText, &s.AltText,
                                 &s.FixModeText, &s.SpeedText, &s.PdopText, &s.HdopText, &s.VdopText})
        h.Add(*t);
    for (int i = 0; i < 256; ++i) {
        h.Add(s.UsedGps[i]);
        h.Add(s.UsedGlonass[i]);
        h.Add(s.UsedGalileo[i]);
        h.Add(s.SvTalker[i]);
    }
    h.Add(std::to_string(qv::config::FirmwareGeneration) + "," +
          std::to_string(qv::config::FixRateIndex));
    if (!w) return;
    for (qv::Ctl c : {qv::Ctl::Memo1, qv::Ctl::EdDate, qv::Ctl::EdTime, qv::Ctl::EdMode,
                      qv::Ctl::EdSBAS, qv::Ctl::EdLat, qv::Ctl::EdLon, qv::Ctl::EdSpeed,
                      qv::Ctl::EdPDOP, qv::Ctl::EdHeight})
        h.Add(w->Text(c));
    for (int i = 0; i < qv::kSeriesCount; ++i) {
        const auto series = static_cast<qv::Series>(i);
        for (const auto& b : w->Bars(series)) h.Add(b.label + "/" + std::to_string(b.value));
        for (const auto& b : w->Bubbles(series)) h.Add(b.label + "/" + std::to_string(b.x));
    }
}

int Usage() {
    std::fprintf(stderr, "usage: quorvex-bench FILE [--stage frame|decode|text] [--chunk N]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    Stage stage = Stage::Text;
    std::size_t chunk = 4096;
    for (int i = 2; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--stage" && i + 1 < argc) {
            const std::string_view v = argv[++i];
            if (v == "frame") stage = Stage::Frame;
            else if (v == "decode") stage = Stage::Decode;
            else if (v == "text") stage = Stage::Text;
            else return Usage();
        } else if (a == "--chunk" && i + 1 < argc) {
            chunk = std::strtoul(argv[++i], nullptr, 10);
            if (chunk == 0) return Usage();
        } else {
            return Usage();
        }
    }
    const int fd = std::strcmp(argv[1], "-") == 0 ? 0 : open(argv[1], O_RDONLY);
    if (fd < 0) {
        std::perror(argv[1]);
        return 2;
    }

    // Every stage runs with a window present, as the program does; only the
    // text stage lets the refresh reach it.
    qv::HeadlessWindow window;
    Counts n;
    qv::serial::SentenceFramer framer;
    const auto onSentence = [&](std::string_view s) {
        ++n.sentences;
        ++n.types[TypeOf(s)];
        bool ok = false;
        switch (stage) {
            case Stage::Frame:
                qv::serial::LoadSentence(s);
                ok = qv::nmea::SentenceChecksumOk(qv::nmea::SentenceText());
                break;
            case Stage::Decode:
                qv::serial::LoadSentence(s);
                ok = qv::nmea::DecodeSentence();
                break;
            case Stage::Text:
                qv::serial::LoadSentence(s);
                ok = qv::nmea::DecodeSentence();
                if (ok) qv::display::RefreshDisplay();
                break;
        }
        if (ok) {
            ++n.accepted;
            n.hash.AddSentence(s);
        } else {
            ++n.rejected;
        }
    };
    std::vector<char> buf(chunk);
    for (;;) {
        const ssize_t got = read(fd, buf.data(), buf.size());
        if (got <= 0) break;
        n.bytes += static_cast<std::uint64_t>(got);
        framer.Feed(buf.data(), static_cast<std::size_t>(got), onSentence);
    }
    framer.Feed("$", 1, onSentence);  // the last sentence waits for a "$"

    if (stage != Stage::Frame) HashState(n.hash, stage == Stage::Text ? &window : nullptr);
    std::printf("bytes=%llu sentences=%llu accepted=%llu rejected=%llu",
                static_cast<unsigned long long>(n.bytes),
                static_cast<unsigned long long>(n.sentences),
                static_cast<unsigned long long>(n.accepted),
                static_cast<unsigned long long>(n.rejected));
    for (int i = 0; i < kTypeCount; ++i)
        std::printf(" %s=%llu", kTypes[i], static_cast<unsigned long long>(n.types[i]));
    std::printf(" other=%llu hash=%016llx\n", static_cast<unsigned long long>(n.types[kTypeCount]),
                static_cast<unsigned long long>(n.hash.h));
    return 0;
}
