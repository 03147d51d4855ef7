#include "config/Commands.h"

#include <chrono>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <thread>

#include "serial/Serial.h"
#include "window/Controls.h"

namespace qv::config {

namespace {

[[gnu::format(printf, 1, 2)]] std::string Format(const char* fmt, ...) {
    va_list args;
    va_start(args, fmt);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(nullptr, 0, fmt, args);
    va_end(args);
    std::string out;
    if (n > 0) {
        out.resize(static_cast<std::size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), fmt, again);
        out.resize(static_cast<std::size_t>(n));
    }
    va_end(again);
    return out;
}

}  // namespace

std::string CommandChecksum(std::string_view body) {
    std::uint8_t sum = 0;
    for (std::size_t i = 1; i < body.size(); ++i) sum ^= static_cast<std::uint8_t>(body[i]);
    static constexpr char kHex[] = "0123456789ABCDEF";
    return {kHex[sum >> 4], kHex[sum & 0x0F]};
}

std::string FrameCommand(std::string_view body) {
    std::string s(body);
    s += '*';
    s += CommandChecksum(body);
    s += "\r\n";
    return s;
}

void SendCommand(std::string_view body) {
    const std::string sentence = FrameCommand(body);
    serial::WritePort(sentence.data(), sentence.size());
}

void SendFixedCommand(std::string_view sentence) {
    serial::WritePort(sentence.data(), sentence.size());
}

std::string OutputRatesBody(const std::array<int, 8>& r) {
    return Format("$PMTK314,%d,%d,%d,%d,%d,%d,0,0,0,0,0,0,0,0,0,0,0,%d,%d", r[0], r[1], r[2], r[3],
                  r[4], r[5], r[6], r[7]);
}

std::string FixIntervalBody(int intervalMs) { return Format("$PMTK300,%d,0,0,0,0", intervalMs); }
std::string DgpsModeBody(int mode) { return Format("$PMTK301,%d", mode); }
std::string SbasBody(int on) { return Format("$PMTK313,%d", on); }

std::string BaudRateBody(std::string_view rateText) {
    return "$PMTK251," + std::string(rateText);
}

void PauseBetweenCommands() { std::this_thread::sleep_for(std::chrono::milliseconds(5)); }

void ShowSetFailed() { Form1->MessageBox("Set Failed!", "Error", MsgButtons::Ok, MsgIcon::None); }

}  // namespace qv::config
