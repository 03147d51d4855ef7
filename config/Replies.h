// Decoding of the receiver's PMTK replies.
#pragma once

namespace qv::config {

// Works on nmea::FieldTable; window's thread.
void DecodeReply();

// The single replies, called by DecodeReply only.
void DecodeAck();
void DecodeOutputRates();
void DecodeFirmwareVersion();

}  // namespace qv::config
