// Line rates through the kernel's termios2 interface, which carries any rate
// (14400 has no B-constant). Kept apart: its header cannot meet <termios.h>.
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>

namespace qv::sim::pty {

std::uint32_t ReadRate(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return 0;
    return t.c_ospeed;
}

bool WriteRate(int fd, std::uint32_t baud) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return false;
    t.c_cflag &= ~CBAUD;
    t.c_cflag |= BOTHER;
    t.c_cflag &= ~(CBAUD << IBSHIFT);
    t.c_cflag |= BOTHER << IBSHIFT;
    t.c_ispeed = baud;
    t.c_ospeed = baud;
    return ioctl(fd, TCSETS2, &t) == 0;
}

}  // namespace qv::sim::pty
