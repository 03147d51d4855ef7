// The upload's receive side fed arbitrary reads: binary-mode detection, packet
// framing across reads and the acknowledgement handling, with packets "sent"
// whenever the state allows, as the upload thread's passes do.
#include <cstddef>
#include <cstdint>

#include "epo/Transfer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    qv::epo::UploadState s;
    qv::epo::ResetUploadState(s);
    qv::epo::PrepareTransfer(s, static_cast<std::uint16_t>(1 + data[0] % 8));
    const std::size_t chunk = 1 + data[1] % 31;
    for (std::size_t pos = 2; pos < size; pos += chunk) {
        switch (qv::epo::NextSendStep(s)) {
            case qv::epo::SendStep::SendNext: qv::epo::PacketSent(s); break;
            case qv::epo::SendStep::TimedOut:
            case qv::epo::SendStep::Finish: return 0;
            case qv::epo::SendStep::Nothing: break;
        }
        const std::size_t n = size - pos < chunk ? size - pos : chunk;
        if (qv::epo::ReceiveChunk(s, data + pos, n) == qv::epo::RxResult::Abandon) return 0;
        (void)qv::epo::ProgressPercent(s);
    }
    return 0;
}
