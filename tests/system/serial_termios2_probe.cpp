// termios2 cannot share a translation unit with <termios.h>.
#include <asm/ioctls.h>
#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstdint>

namespace qv::testing {

std::uint32_t Termios2OutputSpeed(int fd) {
    struct termios2 t {};
    if (ioctl(fd, TCGETS2, &t) != 0) return 0;
    return t.c_ospeed;
}

}  // namespace qv::testing
