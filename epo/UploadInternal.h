// What the update flow and the upload thread share inside epo/.
#pragma once

#include <string>

namespace qv::epo {

// The window's port text and rate when the update began; the ending reads the
// window again and falls back on these only when the window is closing.
extern std::string EpoPortText;
extern std::string EpoBaudText;

// The buttons that write to the port, apart from Update: disabled while the
// upload owns the port, restored to what a connection gives afterwards
// (window's thread).
void DisablePortButtons();
void RestorePortButtons();

}  // namespace qv::epo
