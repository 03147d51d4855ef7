// Handing sentences to the dispatch as the reader does, for the decode tests.
#pragma once

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "log/Log.h"
#include "nmea/Dispatch.h"
#include "nmea/State.h"
#include "serial/Serial.h"

namespace qv::testing {

// "$body*XX\r\n" with the body's checksum.
inline std::string Framed(std::string_view body) {
    unsigned x = 0;
    for (char c : body) x ^= static_cast<unsigned char>(c);
    char sum[4];
    std::snprintf(sum, sizeof sum, "%02X", x);
    return "$" + std::string(body) + "*" + sum + "\r\n";
}

// One hand-over: the bytes go into SentenceBuf and the dispatch runs.
inline void HandOver(std::string_view bytes) {
    const std::size_t n = std::min(bytes.size(), sizeof serial::SentenceBuf - 1);
    std::memcpy(serial::SentenceBuf, bytes.data(), n);
    serial::SentenceBuf[n] = 0;
    serial::SentenceLen = static_cast<std::int32_t>(n);
    nmea::DispatchSentence();
}

inline void Receive(std::string_view body) { HandOver(Framed(body)); }

// The decoders' state as at start-up, and no log open.
inline void ResetDecodeState() {
    nmea::SatInfo = nmea::Display_SatInfo_st{};
    nmea::TalkerFlags = 0;
    nmea::GsvTalkerGps = nmea::GsvTalkerGlonass = nmea::GsvTalkerGalileo = 0;
    nmea::Fix3dFromGN = nmea::Fix3dFromOther = 0;
    nmea::SkyRedrawPending = 0;
    logging::StopLogging();
}

}  // namespace qv::testing
