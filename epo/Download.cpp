#include "epo/Download.h"

#include <curl/curl.h>

#include <cstdlib>
#include <memory>
#include <mutex>

#include "epo/Epo.h"

namespace qv::epo {

namespace {

// The orbit-data server and the program's account on it.
constexpr const char* kEpoFtpHost = "agps.orbitfeed.example";
constexpr const char* kEpoFtpUser = "qvx4716";
constexpr const char* kEpoFtpPassword = "tamrek";
constexpr const char* kEpoRemoteName = "MTK7d.EPO";

constexpr long kConnectTimeoutS = 15;
constexpr long kTransferTimeoutS = 60;
constexpr long kResponseTimeoutS = 15;
constexpr long kLowSpeedBytes = 64;  // slower than this for kLowSpeedTimeS: give up
constexpr long kLowSpeedTimeS = 20;
constexpr std::size_t kListingCap = 1 << 20;

struct Sink {
    std::vector<std::uint8_t>* body = nullptr;  // null: count and discard (the listing)
    std::size_t seen = 0;
    std::size_t cap = 0;
    bool overflow = false;
};

std::size_t OnData(char* data, std::size_t size, std::size_t count, void* user) {
    auto* sink = static_cast<Sink*>(user);
    const std::size_t n = size * count;
    if (sink->seen + n > sink->cap) {
        sink->overflow = true;
        return 0;  // abandons the transfer
    }
    sink->seen += n;
    if (sink->body) sink->body->insert(sink->body->end(), data, data + n);
    return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(user)->load() ? 1 : 0;
}

bool IsFtp(const std::string& url) {
    return url.rfind("ftp://", 0) == 0 || url.rfind("ftps://", 0) == 0;
}

struct EasyDeleter {
    void operator()(CURL* h) const { curl_easy_cleanup(h); }
};

void CommonOptions(CURL* h, const EpoSource& src, const std::atomic<bool>& cancel) {
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "ftp,ftps,http,https,file");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectTimeoutS);
    curl_easy_setopt(h, CURLOPT_TIMEOUT, kTransferTimeoutS);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytes);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, kLowSpeedTimeS);
    curl_easy_setopt(h, CURLOPT_FTP_RESPONSE_TIMEOUT, kResponseTimeoutS);
    curl_easy_setopt(h, CURLOPT_ACCEPTTIMEOUT_MS, kConnectTimeoutS * 1000);
    // Active data connections from any local address, binary transfers.
    curl_easy_setopt(h, CURLOPT_FTPPORT, "-");
    curl_easy_setopt(h, CURLOPT_TRANSFERTEXT, 0L);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, OnData);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, OnProgress);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(&cancel));
    if (!src.user.empty()) {
        curl_easy_setopt(h, CURLOPT_USERNAME, src.user.c_str());
        curl_easy_setopt(h, CURLOPT_PASSWORD, src.password.c_str());
    }
}

}  // namespace

EpoSource CurrentEpoSource() {
    if (const char* env = std::getenv(kEpoUrlVariable); env && *env) return {env, {}, {}};
    return {std::string("ftp://") + kEpoFtpHost + "/" + kEpoRemoteName, kEpoFtpUser,
            kEpoFtpPassword};
}

FetchResult FetchEpoFile(const EpoSource& source, const std::atomic<bool>& cancel) {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });

    FetchResult result;
    char errbuf[CURL_ERROR_SIZE] = "";  // outlives the handle that writes into it
    std::unique_ptr<CURL, EasyDeleter> easy(curl_easy_init());
    if (!easy) {
        result.error = "no transfer handle";
        return result;
    }
    CURL* h = easy.get();
    CommonOptions(h, source, cancel);
    curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errbuf);

    auto failed = [&](CURLcode rc, const Sink& sink) {
        if (sink.overflow || rc == CURLE_FILESIZE_EXCEEDED) result.status = FetchResult::Status::TooLarge;
        else if (cancel.load()) result.status = FetchResult::Status::Cancelled;
        else result.status = FetchResult::Status::Failed;
        result.error = errbuf[0] ? errbuf : curl_easy_strerror(rc);
        result.body.clear();
        return result;
    };

    if (IsFtp(source.url)) {
        // The directory listing first, on the same control connection.
        const std::string dir = source.url.substr(0, source.url.rfind('/') + 1);
        Sink listing{nullptr, 0, kListingCap, false};
        curl_easy_setopt(h, CURLOPT_URL, dir.c_str());
        curl_easy_setopt(h, CURLOPT_WRITEDATA, &listing);
        const CURLcode rc = curl_easy_perform(h);
        if (rc != CURLE_OK) {
            Sink none;
            return failed(rc, none);
        }
    }
    Sink file{&result.body, 0, static_cast<std::size_t>(kEpoDownloadCap), false};
    curl_easy_setopt(h, CURLOPT_URL, source.url.c_str());
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &file);
    curl_easy_setopt(h, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(kEpoDownloadCap));
    const CURLcode rc = curl_easy_perform(h);
    if (rc != CURLE_OK) return failed(rc, file);
    result.status = FetchResult::Status::Ok;
    return result;
}

}  // namespace qv::epo
