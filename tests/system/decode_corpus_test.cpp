// Every real capture through the reader's framing and the dispatch on the headless
// window: nothing fails, and exactly the sentences that the framing and the
// checksum rule let through are shown and logged, byte for byte.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "log/Log.h"
#include "nmea/Dispatch.h"
#include "nmea/State.h"
#include "serial/Framer.h"
#include "serial/Serial.h"
#include "window/HeadlessWindow.h"

namespace qv {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The capture without its "#" comment lines; every other byte is kept.
std::string WithoutComments(const std::string& data) {
    std::string out;
    std::size_t pos = 0;
    while (pos < data.size()) {
        std::size_t nl = data.find('\n', pos);
        nl = nl == std::string::npos ? data.size() : nl + 1;
        if (data[pos] != '#') out.append(data, pos, nl - pos);
        pos = nl;
    }
    return out;
}

// The reference reading, written apart from the program's code: reads of `chunk`
// bytes each lose what follows a zero byte, the stream is cut before every "$",
// and a sentence passes when sscanf("%2x") after its first "*" gives the xor.
struct Expected {
    std::vector<std::string> accepted;
    std::size_t rejected = 0;
};
Expected Reference(const std::string& data, std::size_t chunk) {
    std::string text;
    for (std::size_t pos = 0; pos < data.size(); pos += chunk) {
        const std::string piece = data.substr(pos, chunk);
        text += piece.substr(0, std::strlen(piece.c_str()));
    }
    text += "$";  // the final "$" that hands over the last sentence
    Expected e;
    std::size_t s = text.find('$');
    while (s != std::string::npos) {
        const std::size_t q = text.find('$', s + 1);
        if (q == std::string::npos) break;
        const std::string sentence = text.substr(s, q - s);
        const std::size_t star = sentence.find('*');
        unsigned x = 0, v = 0;
        for (std::size_t i = 0; i < star && i < sentence.size(); ++i)
            if (sentence[i] != '$') x ^= static_cast<unsigned char>(sentence[i]);
        if (star != std::string::npos && std::sscanf(sentence.c_str() + star + 1, "%2x", &v) == 1 && v == x)
            e.accepted.push_back(sentence);
        else
            ++e.rejected;
        s = q;
    }
    return e;
}

struct Outcome {
    std::string logged;
    std::size_t handedOver = 0;
};

Outcome Replay(const std::string& data, std::size_t chunk, const fs::path& log) {
    nmea::SatInfo = nmea::Display_SatInfo_st{};
    nmea::TalkerFlags = 0;
    nmea::SkyRedrawPending = 0;
    HeadlessWindow window;
    Form1 = &window;
    window.saveAnswers.push_back(log.string());
    logging::StartLogging();

    Outcome out;
    serial::SentenceFramer framer;
    const auto handOver = [&](std::string_view s) {
        const std::size_t n = std::min(s.size(), sizeof serial::SentenceBuf - 1);
        std::memcpy(serial::SentenceBuf, s.data(), n);
        serial::SentenceBuf[n] = 0;
        serial::SentenceLen = static_cast<std::int32_t>(n);
        nmea::DispatchSentence();
        ++out.handedOver;
    };
    for (std::size_t pos = 0; pos < data.size(); pos += chunk)
        framer.Feed(data.data() + pos, std::min(chunk, data.size() - pos), handOver);
    framer.Feed("$", 1, handOver);
    logging::StopLogging();
    Form1 = nullptr;
    out.logged = ReadFile(log.string() + ".TXT");
    return out;
}

class DecodeCorpus : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("qv-corpus-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    fs::path dir;
};

TEST_F(DecodeCorpus, EveryCaptureGivesTheReferenceCounts) {
    const fs::path corpus = fs::path(QV_CORPUS_DIR) / "nmea";
    std::map<std::string, std::pair<std::size_t, std::size_t>> counts;  // ok, rejected
    int files = 0;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        if (entry.path().extension() != ".log") continue;
        ++files;
        const std::string data = WithoutComments(ReadFile(entry.path()));
        const std::string name = entry.path().filename().string();
        for (std::size_t chunk : {std::size_t{1}, std::size_t{97}, std::size_t{8192}}) {
            const Expected want = Reference(data, chunk);
            const Outcome got = Replay(data, chunk, dir / "log");
            std::string joined;
            for (const auto& s : want.accepted) joined += s;
            EXPECT_EQ(got.handedOver, want.accepted.size() + want.rejected) << name << " chunk " << chunk;
            EXPECT_EQ(got.logged, joined) << name << " chunk " << chunk;
            if (chunk == 8192) counts[name] = {want.accepted.size(), want.rejected};
        }
    }
    EXPECT_GE(files, 26);

    // Files whose counts the corpus notes give and the framing agrees with.
    const std::map<std::string, std::pair<std::size_t, std::size_t>> known = {
        {"pmtk-gen1.log", {28, 0}},
        {"magellan-ec10.log", {76, 0}},  // 22 of them with lower-case digits
        {"firefly-II.log", {46, 23}},
        {"com-1289.log", {97, 1}},
        {"hp58534a.log", {0, 13}},
        {"st-teseo-liv4f.log", {329, 331}},  // 330 lone "$" frames of "$$" are rejected too
        {"navika-100-fix.log", {180, 0}},
    };
    for (const auto& [name, okBad] : known) EXPECT_EQ(counts[name], okBad) << name;
}

}  // namespace
}  // namespace qv
