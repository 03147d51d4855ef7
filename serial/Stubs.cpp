// Placeholders until the serial link lands.
#include "serial/Serial.h"
#include "window/Handlers.h"

namespace qv::serial {
PortHandle hComPort;
std::atomic<std::uint32_t> BytesWritten{0};
char SentenceBuf[kSentenceBufSize];
std::int32_t SentenceLen = 0;
void Button1Click() {}
void OpenComPort() {}
void WritePort(const void*, std::size_t) {}
void FlushPort() {}
bool Connected() { return false; }
void StartReader() {}
void StopReader(bool) {}
std::shared_ptr<platform::SerialPort> ReopenPort(const std::string&, std::uint32_t) { return nullptr; }
void Shutdown() {}
}  // namespace qv::serial
