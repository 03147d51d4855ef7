#include <gtest/gtest.h>

#include "platform/SerialPort.h"

namespace qv::platform {
namespace {

TEST(ResolvePortName, ComNumbersAbsolutePathsAndNothingElse) {
    struct Case {
        const char* text;
        const char* path;
    } cases[] = {
        {"Com1", "/dev/ttyS0"},
        {"Com3", "/dev/ttyS2"},
        {"Com10", "/dev/ttyS9"},
        {"Com99", "/dev/ttyS98"},
        {"Com 4", "/dev/ttyS3"},        // blanks before the number, as %d reads
        {"Com+5", "/dev/ttyS4"},
        {"Com7xyz", "/dev/ttyS6"},      // anything after the digits ignored
        {"Com0", "/dev/ttyS-1"},        // a number, but no device: the open fails
        {"/dev/ttyUSB0", "/dev/ttyUSB0"},
        {"/dev/serial/by-id/usb-x if00", "/dev/serial/by-id/usb-x if00"},
        {"COM3", ""},
        {"com3", ""},
        {"Com", ""},
        {"Com-", ""},
        {"ComX", ""},
        {"foo", ""},
        {"", ""},
        {"ttyUSB0", ""},
        {"Demo receiver", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(ResolvePortName(c.text), c.path) << '"' << c.text << '"';
}

TEST(ListSerialPorts, OffersOnlySerialDeviceNodes) {
    for (const auto& p : ListSerialPorts()) {
        const bool known = p.rfind("/dev/ttyUSB", 0) == 0 || p.rfind("/dev/ttyACM", 0) == 0 ||
                           p.rfind("/dev/ttyS", 0) == 0 || p.rfind("/dev/serial/by-id/", 0) == 0;
        EXPECT_TRUE(known) << p;
    }
}

}  // namespace
}  // namespace qv::platform
