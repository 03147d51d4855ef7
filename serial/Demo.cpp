#include "serial/Demo.h"

#include <memory>
#include <mutex>

#include "sim/Simulator.h"

namespace qv::serial {

namespace {
std::mutex demoMu;
std::unique_ptr<sim::Simulator> demo;
}  // namespace

std::string DemoDevicePath(std::uint32_t baud) {
    // Connects come from the window's thread and reopens from the upload
    // thread: one receiver for both.
    std::lock_guard lock(demoMu);
    if (!demo) {
        sim::Options options;
        if (baud > 0) options.baud = baud;  // it speaks the rate first asked for
        auto receiver = std::make_unique<sim::Simulator>(options);
        if (!receiver->Start()) return {};
        demo = std::move(receiver);
    }
    return demo->DevicePath();
}

void StopDemo() {
    std::unique_ptr<sim::Simulator> receiver;
    {
        std::lock_guard lock(demoMu);
        receiver = std::move(demo);
    }
    if (receiver) receiver->Stop();
}

}  // namespace qv::serial
