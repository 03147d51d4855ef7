// Helpers of the EPO system tests: a real FTP server on 127.0.0.1 (Debian's
// pyftpdlib run by the system's own interpreter, one account, a root folder the
// test fills) and a count of the process's threads.
#pragma once

#include <thread>

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>

extern char** environ;

namespace qv::epotest {

class FtpServer {
public:
    static constexpr const char* kUser = "tst1234";
    static constexpr const char* kPassword = "secret";

    // Serves root; Port() is 0 when the server did not come up.
    explicit FtpServer(const std::string& root) {
        static const char* kScript = R"PY(
import logging, sys
from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer
logging.basicConfig(level=logging.CRITICAL)
root, user, password = sys.argv[1:4]
auth = DummyAuthorizer()
auth.add_user(user, password, root, perm="elr")
FTPHandler.authorizer = auth
FTPHandler.auth_failed_timeout = 0
server = FTPServer(("127.0.0.1", 0), FTPHandler)
print(server.socket.getsockname()[1], flush=True)
server.serve_forever(handle_exit=True)
)PY";
        int out[2];
        if (::pipe(out) != 0) return;
        posix_spawn_file_actions_t fa;
        posix_spawn_file_actions_init(&fa);
        posix_spawn_file_actions_adddup2(&fa, out[1], 1);
        posix_spawn_file_actions_addclose(&fa, out[0]);
        posix_spawn_file_actions_addopen(&fa, 2, "/dev/null", O_WRONLY, 0);
        const char* argv[] = {"/usr/bin/python3", "-c", kScript, root.c_str(), kUser, kPassword, nullptr};
        if (posix_spawn(&pid_, argv[0], &fa, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&fa);
        ::close(out[1]);
        std::string line;
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(15);
        while (pid_ > 0 && line.find('\n') == std::string::npos &&
               std::chrono::steady_clock::now() < end) {
            pollfd p{out[0], POLLIN, 0};
            if (::poll(&p, 1, 200) <= 0) continue;
            char buf[64];
            const ssize_t n = ::read(out[0], buf, sizeof buf);
            if (n <= 0) break;
            line.append(buf, static_cast<std::size_t>(n));
        }
        ::close(out[0]);
        port_ = std::atoi(line.c_str());
    }
    ~FtpServer() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            int status = 0;
            ::waitpid(pid_, &status, 0);
        }
    }
    FtpServer(const FtpServer&) = delete;
    FtpServer& operator=(const FtpServer&) = delete;

    int Port() const { return port_; }
    std::string Url(const std::string& file, const std::string& password = kPassword) const {
        return "ftp://" + std::string(kUser) + ":" + password + "@127.0.0.1:" + std::to_string(port_) +
               "/" + file;
    }

private:
    pid_t pid_ = -1;
    int port_ = 0;
};

// Threads of this process: the tests wait until the workers they started have
// ended before their window goes away.
inline int ThreadCount() {
    int n = 0;
    if (DIR* d = ::opendir("/proc/self/task")) {
        while (const dirent* e = ::readdir(d)) n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n;
}

// The count to come back to. A first thread makes the runtime start its own
// helpers (ThreadSanitizer's background thread), which then stay: count after it.
inline int BaselineThreadCount() {
    std::thread([] {}).join();
    return ThreadCount();
}

}  // namespace qv::epotest
