// Rates without a B-constant for the test port (kept apart: the kernel's
// termios2 header cannot meet <termios.h>).
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>

namespace qv::simtest {

bool SetAnyRate(int fd, std::uint32_t baud) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
    t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    t.c_ispeed = t.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &t) == 0;
}

}  // namespace qv::simtest
