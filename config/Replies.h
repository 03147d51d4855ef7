// Decoding of the receiver's PMTK replies.
#pragma once

namespace qv::config {

// Works on nmea::FieldTable; window's thread.
void DecodeReply();

}  // namespace qv::config
