// Placeholders until the orbit-data update lands.
#include "epo/Epo.h"
#include "window/Handlers.h"

namespace qv::epo {
std::atomic<EPO_PARSE*> EpoThread{nullptr};
std::atomic<std::uint8_t> EpoUploadRunning{0};
void StopUpload() {}
void DecodeEpoStatus() {}
void Button2Click() {}
void Button3Click() {}
void Button4Click() {}
}  // namespace qv::epo
