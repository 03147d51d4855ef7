// Port names as the user types them and the devices the port list offers.
#include <dirent.h>
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/SerialPort.h"

namespace qv::platform {

namespace {

// The number after "Com" read as "%d" would: leading blanks and a sign allowed,
// anything after the digits ignored. False when no digit follows.
bool ComNumber(std::string_view text, std::int64_t& number) {
    if (text.substr(0, 3) != "Com") return false;
    std::size_t i = 3;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    const std::size_t firstDigit = i;
    std::int64_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), INT64_C(1) << 40);
    if (i == firstDigit) return false;
    number = negative ? -value : value;
    return true;
}

// Natural order, so that ttyS2 comes before ttyS10.
bool NaturalLess(const std::string& a, const std::string& b) {
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (std::isdigit(static_cast<unsigned char>(a[i])) &&
            std::isdigit(static_cast<unsigned char>(b[j]))) {
            std::size_t ie = i, je = j;
            while (ie < a.size() && std::isdigit(static_cast<unsigned char>(a[ie]))) ++ie;
            while (je < b.size() && std::isdigit(static_cast<unsigned char>(b[je]))) ++je;
            const std::string na = a.substr(i, ie - i), nb = b.substr(j, je - j);
            if (na.size() != nb.size()) return na.size() < nb.size();
            if (na != nb) return na < nb;
            i = ie;
            j = je;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

std::vector<std::string> Entries(const std::string& dir, std::string_view prefix) {
    std::vector<std::string> out;
    DIR* d = ::opendir(dir.c_str());
    if (!d) return out;
    while (const dirent* e = ::readdir(d)) {
        const std::string_view name(e->d_name);
        if (name == "." || name == "..") continue;
        if (name.substr(0, prefix.size()) == prefix) out.push_back(dir + "/" + std::string(name));
    }
    ::closedir(d);
    std::sort(out.begin(), out.end(), NaturalLess);
    return out;
}

// Every ttyS node exists whether or not a UART sits behind it; only the ones
// whose driver reports a port type are worth offering.
bool UartAnswers(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return false;
    serial_struct info{};
    const bool present = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
    ::close(fd);
    return present;
}

}  // namespace

std::string ResolvePortName(std::string_view text) {
    if (!text.empty() && text.front() == '/') return std::string(text);
    std::int64_t number = 0;
    if (!ComNumber(text, number)) return {};
    // Com0 and below name no device; the path then simply fails to open.
    return "/dev/ttyS" + std::to_string(number - 1);
}

bool IsBoardUart(std::string_view path) { return path.substr(0, 9) == "/dev/ttyS"; }

std::vector<std::string> ListSerialPorts() {
    std::vector<std::string> ports;
    for (const char* prefix : {"ttyUSB", "ttyACM"})
        for (auto& p : Entries("/dev", prefix)) ports.push_back(std::move(p));
    for (auto& p : Entries("/dev", "ttyS"))
        if (UartAnswers(p)) ports.push_back(std::move(p));
    for (auto& p : Entries("/dev/serial/by-id", "")) ports.push_back(std::move(p));
    return ports;
}

}  // namespace qv::platform
