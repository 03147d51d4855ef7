// Fetching the EPO file: from the orbit-data FTP server built into the program, or
// from the URL named by QUORVEX_EPO_URL. Runs on a worker thread; nothing here
// touches the window.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

namespace qv::epo {

struct FetchResult {
    enum class Status { Ok, Failed, TooLarge, Cancelled };
    Status status = Status::Failed;
    std::vector<std::uint8_t> body;
    std::string error;  // the transfer library's words, for tests and debugging
};

// Where the file comes from: the server built into the program, unless the
// environment names another source.
struct EpoSource {
    std::string url;
    std::string user, password;  // empty: none, or given inside the URL
};
EpoSource CurrentEpoSource();

// Connects, lists the remote directory (FTP only, as the server expects before a
// retrieval), then fetches the file in binary form. Connect and transfer time-outs
// apply; more than kEpoDownloadCap bytes abandon the transfer (TooLarge); setting
// cancel abandons it too (Cancelled).
FetchResult FetchEpoFile(const EpoSource& source, const std::atomic<bool>& cancel);

}  // namespace qv::epo
