// Arbitrary bytes from the line, in arbitrary chunks, through the upload's
// binary-mode detection, packet framing and acknowledgement handling, with the
// sender taking its turns between reads as the upload thread does.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "epo/Transfer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    qv::epo::UploadState s;
    qv::epo::ResetUploadState(s);
    qv::epo::PrepareTransfer(s, static_cast<std::uint16_t>(1 + data[0] % 20));
    const std::size_t chunk = 1 + data[1] % 61;
    for (std::size_t pos = 2; pos < size; pos += chunk) {
        switch (qv::epo::NextSendStep(s)) {
            case qv::epo::SendStep::SendNext: qv::epo::PacketSent(s); break;
            case qv::epo::SendStep::TimedOut:
            case qv::epo::SendStep::Finish: return 0;
            case qv::epo::SendStep::Nothing: break;
        }
        const std::size_t n = size - pos < chunk ? size - pos : chunk;
        if (qv::epo::ReceiveChunk(s, data + pos, n) == qv::epo::RxResult::Abandon) return 0;
        // The framing never leaves its buffer, whatever arrives.
        if (s.EpoRxLen < 0 || s.EpoRxLen > qv::epo::kEpoRxBufSize || s.EpoRxState > 1 ||
            s.EpoRemainingPackets < 0 || s.EpoHeldLen > sizeof s.EpoHeld)
            std::abort();
    }
    return 0;
}
