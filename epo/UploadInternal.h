// What the update flow and the upload thread share inside epo/.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qv::epo {

// The window's port text and rate when the update began; the ending reads the
// window again and falls back on these only when the window is closing.
extern std::string EpoPortText;
extern std::string EpoBaudText;

// Waits, after a flush, for the line time of the last block plus a margin, before
// the port is closed and reopened at another rate: a flush can return while the
// bytes still sit in a bridge's (or a pseudo-terminal's) buffer, and a rate change
// then would garble them on the wire.
void LetTheLineDrain(std::size_t bytes, std::uint32_t baud);

// Calls off a running download without waiting for its worker.
void RequestDownloadCancel();

// The buttons that write to the port, apart from Update: disabled while the
// upload owns the port, restored to what a connection gives afterwards
// (window's thread).
void DisablePortButtons();
void RestorePortButtons();

}  // namespace qv::epo
