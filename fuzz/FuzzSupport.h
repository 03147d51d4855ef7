// What the fuzz targets share: one headless window for the process and the
// hand-over of a sentence as the reader makes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "nmea/Dispatch.h"
#include "serial/Serial.h"
#include "window/HeadlessWindow.h"

namespace qv::fuzz {

inline HeadlessWindow& Window() {
    static HeadlessWindow window;
    window.boxes.clear();  // recorded boxes would otherwise pile up over a run
    return window;
}

inline void HandOver(std::string_view sentence) {
    serial::LoadSentence(sentence);
    nmea::DispatchSentence();
}

// "$" + body + "*" + checksum + CR LF, so the sentence passes the check and
// reaches the decoders.
inline std::string Framed(std::string_view body) {
    unsigned x = 0;
    for (unsigned char c : body) x ^= c;
    static const char hex[] = "0123456789ABCDEF";
    std::string s = "$";
    s.append(body);
    s += '*';
    s += hex[(x >> 4) & 15];
    s += hex[x & 15];
    s += "\r\n";
    return s;
}

}  // namespace qv::fuzz
