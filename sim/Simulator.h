// A simulated receiver on a pseudo-terminal: it behaves like a module on a real
// line (its own baud rate, output paced at the line's speed, garbage when the
// other side is set to another rate), emits a seeded multi-constellation stream
// and answers PMTK commands. Used by tests, benchmarks and the "Demo receiver".
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace qv::sim {

struct Options {
    std::uint32_t baud = 115200;  // the receiver's own line speed
    std::uint64_t seed = 1;       // same seed, same stream
};

class Simulator {
public:
    explicit Simulator(Options options = {});
    ~Simulator();
    Simulator(const Simulator&) = delete;
    Simulator& operator=(const Simulator&) = delete;

    // Opens the pseudo-terminal and starts the receiver. False on failure.
    bool Start();
    // Stops the receiver and closes its side of the line (the device vanishes).
    void Stop();
    // The device path the program opens (the pty's slave side).
    std::string DevicePath() const;

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace qv::sim
