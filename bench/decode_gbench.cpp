// The per-sentence path in three stages, timed by Google Benchmark on a captured
// or generated stream held in memory (QUORVEX_BENCH_FILE, else a capture from
// the corpus). The plain frame-and-checksum loop runs beside it as the bound.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "display/Refresh.h"
#include "nmea/Dispatch.h"
#include "nmea/Fields.h"
#include "serial/Framer.h"
#include "serial/Serial.h"
#include "window/HeadlessWindow.h"

namespace {

const std::string& Stream() {
    static const std::string data = [] {
        const char* path = std::getenv("QUORVEX_BENCH_FILE");
        std::ifstream in(path ? path : QV_BENCH_DEFAULT_FILE, std::ios::binary);
        std::string s((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // Drop comment lines of the captures; the generated streams have none.
        std::string out;
        for (std::size_t pos = 0; pos < s.size();) {
            std::size_t nl = s.find('\n', pos);
            nl = nl == std::string::npos ? s.size() : nl + 1;
            if (s[pos] != '#') out.append(s, pos, nl - pos);
            pos = nl;
        }
        return out;
    }();
    return data;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// The plain loop: frame at "$", xor up to "*", compare two hex digits.
void BM_PlainFrameXor(benchmark::State& state) {
    const std::string& s = Stream();
    std::size_t ok = 0, frames = 0;
    for (auto _ : state) {
        const char* p = static_cast<const char*>(std::memchr(s.data(), '$', s.size()));
        const char* end = s.data() + s.size();
        while (p) {
            const char* q = static_cast<const char*>(std::memchr(p + 1, '$', static_cast<std::size_t>(end - p - 1)));
            const char* e = q ? q : end;
            ++frames;
            const char* star = static_cast<const char*>(std::memchr(p + 1, '*', static_cast<std::size_t>(e - p - 1)));
            if (star && e - star >= 3) {
                unsigned x = 0;
                for (const char* c = p + 1; c < star; ++c) x ^= static_cast<unsigned char>(*c);
                const int hi = HexValue(star[1]), lo = HexValue(star[2]);
                ok += hi >= 0 && lo >= 0 && x == static_cast<unsigned>(hi << 4 | lo);
            }
            p = q;
        }
        benchmark::DoNotOptimize(ok);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(frames));
}

enum Stage { kFrame, kDecode, kText };

template <Stage stage>
void BM_Path(benchmark::State& state) {
    const std::string& s = Stream();
    qv::HeadlessWindow window;
    const std::size_t chunk = static_cast<std::size_t>(state.range(0));
    std::size_t sentences = 0, accepted = 0;
    const qv::serial::SentenceFramer::Emit emit = [&](std::string_view sentence) {
        ++sentences;
        qv::serial::LoadSentence(sentence);
        bool ok;
        if constexpr (stage == kFrame) {
            ok = qv::nmea::SentenceChecksumOk(qv::nmea::SentenceText());
        } else {
            ok = qv::nmea::DecodeSentence();
            if (stage == kText && ok) qv::display::RefreshDisplay();
        }
        accepted += ok;
    };
    for (auto _ : state) {
        qv::serial::SentenceFramer framer;
        for (std::size_t pos = 0; pos < s.size(); pos += chunk)
            framer.Feed(s.data() + pos, std::min(chunk, s.size() - pos), emit);
        benchmark::DoNotOptimize(accepted);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * s.size()));
    state.SetItemsProcessed(static_cast<std::int64_t>(sentences));
}

}  // namespace

BENCHMARK(BM_PlainFrameXor);
BENCHMARK(BM_Path<kFrame>)->Name("BM_Frame")->Arg(64)->Arg(4096);
BENCHMARK(BM_Path<kDecode>)->Name("BM_Decode")->Arg(64)->Arg(4096);
BENCHMARK(BM_Path<kText>)->Name("BM_Text")->Arg(64)->Arg(4096);
BENCHMARK_MAIN();
