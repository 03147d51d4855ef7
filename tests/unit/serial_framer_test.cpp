#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "serial/Framer.h"

namespace qv::serial {
namespace {

using Reads = std::vector<std::string>;

struct Result {
    std::vector<std::string> sentences;
    std::size_t carried = 0;
};

Result Frame(SentenceFramer& f, const Reads& reads) {
    Result r;
    for (const auto& read : reads)
        f.Feed(read.data(), read.size(),
               [&](std::string_view s) { r.sentences.emplace_back(s); });
    r.carried = f.Carried();
    return r;
}

Result Frame(const Reads& reads) {
    SentenceFramer f;
    return Frame(f, reads);
}

const std::string kGga = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
const std::string kRmc = "$GPRMC,123519,A,4807.038,N,01131.000,E,022.4,084.4,230394,003.1,W*6A\r\n";
const std::string kGsv = "$GPGSV,1,1,01,07,79,048,42*4E\r\n";

TEST(SentenceFramer, CutsAtEachDollar) {
    using namespace std::string_literals;
    struct Case {
        const char* what;
        Reads reads;
        std::vector<std::string> sentences;
        std::size_t carried;
    } cases[] = {
        {"last sentence of a burst waits for the next $", {kGga + kRmc}, {kGga}, kRmc.size()},
        {"the waiting sentence goes out with the next burst", {kGga + kRmc, "$"}, {kGga, kRmc}, 1},
        {"garbage before the first $ is dropped", {"\x7f\xff noise\r\n", "xx" + kGga + "$"}, {kGga}, 1},
        {"garbage alone is never carried", {"no dollar at all"}, {}, 0},
        {"bytes after the line feed travel with their sentence", {"$A*00\r\nzz$B"}, {"$A*00\r\nzz"}, 2},
        {"$$ is the one-byte sentence $", {"$$", "$"}, {"$", "$"}, 1},
        {"a zero byte ends the read; the rest of that read is lost",
         {"$A,1\0$LOST$LOST"s, ",2$B"}, {"$A,1,2"}, 2},
        {"a zero byte first leaves the carry as it was", {"$A", "\0$X$Y"s, "$"}, {"$A"}, 1},
        {"an empty read changes nothing", {"$A", "", "$"}, {"$A"}, 1},
    };
    for (const auto& c : cases) {
        const Result r = Frame(c.reads);
        EXPECT_EQ(r.sentences, c.sentences) << c.what;
        EXPECT_EQ(r.carried, c.carried) << c.what;
    }
}

TEST(SentenceFramer, SplitAtAnyByteGivesTheSameSentences) {
    const std::string stream = "junk" + kGga + kRmc + kGsv + "$";
    const Result whole = Frame({stream});
    ASSERT_EQ(whole.sentences, (std::vector<std::string>{kGga, kRmc, kGsv}));
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        const Result split = Frame({stream.substr(0, cut), stream.substr(cut)});
        EXPECT_EQ(split.sentences, whole.sentences) << "cut at " << cut;
        EXPECT_EQ(split.carried, whole.carried) << "cut at " << cut;
    }
    Reads bytes;
    for (char ch : stream) bytes.emplace_back(1, ch);
    EXPECT_EQ(Frame(bytes).sentences, whole.sentences) << "one byte per read";
}

TEST(SentenceFramer, LongestSentenceThatFitsIsHandedOverLongerOnesAreDropped) {
    const std::size_t max = SentenceFramer::kMaxSentence;
    const std::string fits = "$" + std::string(max - 1, 'a');
    const std::string tooLong = "$" + std::string(max, 'b');
    struct Case {
        const char* what;
        Reads reads;
        std::vector<std::string> sentences;
        std::size_t dropped;
    } cases[] = {
        {"in one read", {fits + tooLong + kGga + "$"}, {fits, kGga}, 1},
        {"carried across reads", {fits.substr(0, 10), fits.substr(10), "$"}, {fits}, 0},
        {"growing across reads", {tooLong.substr(0, 3000), tooLong.substr(3000), kGga + "$"}, {kGga}, 1},
        {"grows past the limit, ends in a later read",
         {tooLong.substr(0, 4000), std::string(4000, 'c'), std::string(4000, 'd'), "e" + kGga + "$"},
         {kGga},
         1},
    };
    for (const auto& c : cases) {
        SentenceFramer f;
        const Result r = Frame(f, c.reads);
        EXPECT_EQ(r.sentences, c.sentences) << c.what;
        EXPECT_EQ(f.Dropped(), c.dropped) << c.what;
    }
}

TEST(SentenceFramer, CarryStaysBoundedWhenNoDollarArrives) {
    SentenceFramer f;
    std::vector<std::string> got;
    const auto emit = [&](std::string_view s) { got.emplace_back(s); };
    f.Feed("$", 1, emit);
    const std::string filler(SentenceFramer::kMaxRead, 'x');
    for (int i = 0; i < 10; ++i) {
        f.Feed(filler.data(), filler.size(), emit);
        EXPECT_LE(f.Carried(), SentenceFramer::kMaxSentence);
    }
    const std::string next = kGga + "$";
    f.Feed(next.data(), next.size(), emit);
    EXPECT_EQ(got, std::vector<std::string>{kGga}) << "resynchronised at the next $";
}

TEST(SentenceFramer, OversizedFeedIsTakenInReadSizedSlices) {
    // A feed bigger than one read is framed as consecutive reads: no sentence lost.
    std::string stream;
    std::vector<std::string> expected;
    for (int i = 0; stream.size() < 3 * SentenceFramer::kMaxRead; ++i) {
        const std::string s = (i % 2 ? kGga : kRmc);
        stream += s;
        expected.push_back(s);
    }
    stream += "$";
    const Result r = Frame({stream});
    EXPECT_EQ(r.sentences, expected);
    EXPECT_EQ(r.carried, 1u);
}

TEST(SentenceFramer, ResetForgetsTheCarry) {
    SentenceFramer f;
    std::vector<std::string> got;
    const auto emit = [&](std::string_view s) { got.emplace_back(s); };
    f.Feed("$GPGGA,half", 11, emit);
    f.Reset();
    EXPECT_EQ(f.Carried(), 0u);
    f.Feed("tail$B$", 7, emit);
    EXPECT_EQ(got, std::vector<std::string>{"$B"});
}

}  // namespace
}  // namespace qv::serial
