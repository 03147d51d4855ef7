// Orbit-assistance (EPO) data: the state the rest of the program sees.
#pragma once

#include <atomic>
#include <cstdint>

namespace qv::epo {

class EPO_PARSE;
// The running upload thread (or null) and the flag that an update owns the port.
// Read by the disconnect on the window's thread, written by the upload thread.
extern std::atomic<EPO_PARSE*> EpoThread;
extern std::atomic<std::uint8_t> EpoUploadRunning;
// Asks a running upload to stop (the disconnect's request); does not wait.
void StopUpload();

// The 707 reply: how long the stored orbit data stay valid (window's thread).
void DecodeEpoStatus();

}  // namespace qv::epo
