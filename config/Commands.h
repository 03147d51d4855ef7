// PMTK command sentences: the checksum, the framing, the two ways a command reaches
// the port, and the catalogue of every command the settings page sends.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace qv::config {

// Two upper-case hex digits: the XOR of every byte of the body after its first one.
std::string CommandChecksum(std::string_view body);
// body + "*" + checksum + CR LF.
std::string FrameCommand(std::string_view body);
// Frames the body and writes the sentence to the port in one write.
void SendCommand(std::string_view body);
// Writes an already framed sentence, exactly its bytes, in one write.
void SendFixedCommand(std::string_view sentence);

// Fixed commands, stored framed.
inline constexpr std::string_view kCmdHotRestart = "$PMTK101*32\r\n";
inline constexpr std::string_view kCmdWarmRestart = "$PMTK102*31\r\n";
inline constexpr std::string_view kCmdColdRestart = "$PMTK103*30\r\n";
inline constexpr std::string_view kCmdDefaultOutput = "$PMTK314,-1*04\r\n";
inline constexpr std::string_view kCmdQueryOutputRates = "$PMTK414*33\r\n";
inline constexpr std::string_view kCmdQueryFirmware = "$PMTK605*31\r\n";
inline constexpr std::string_view kCmdQueryFixInterval = "$PMTK400*36\r\n";
inline constexpr std::string_view kCmdQueryDgpsMode = "$PMTK401*37\r\n";
inline constexpr std::string_view kCmdQueryEasy = "$PMTK869,0*29\r\n";
inline constexpr std::string_view kCmdEasyOff = "$PMTK869,1,0*34\r\n";
inline constexpr std::string_view kCmdEasyOn = "$PMTK869,1,1*35\r\n";

inline constexpr std::array<std::string_view, 11> kFixedCommands = {
    kCmdHotRestart,       kCmdWarmRestart,   kCmdColdRestart,      kCmdDefaultOutput,
    kCmdQueryOutputRates, kCmdQueryFirmware, kCmdQueryFixInterval, kCmdQueryDgpsMode,
    kCmdQueryEasy,        kCmdEasyOff,       kCmdEasyOn};

// Bodies of the built commands (not yet framed).
// Rates in the order GLL, RMC, VTG, GGA, GSA, GSV, ZDA, MCHN.
std::string OutputRatesBody(const std::array<int, 8>& rates);
std::string FixIntervalBody(int intervalMs);
std::string DgpsModeBody(int mode);
std::string SbasBody(int on);
std::string BaudRateBody(std::string_view rateText);

// The pause between a setting and the query that follows it.
void PauseBetweenCommands();

// A setting the user asked for is refused before anything is sent: the box
// waits for the user, who caused it.
void ShowSetFailed();

}  // namespace qv::config
