// GSA fix mode, 3D memory and used-satellite tables; GSV tables and the redraw request.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "nmea/Fields.h"
#include "nmea/Satellites.h"
#include "nmea/State.h"

namespace qv::nmea {
namespace {

class NmeaSatellites : public ::testing::Test {
protected:
    void SetUp() override {
        SatInfo = Display_SatInfo_st{};
        Fix3dFromGN = Fix3dFromOther = 0;
        GsvTalkerGps = GsvTalkerGlonass = GsvTalkerGalileo = 0;
        TalkerFlags = 0;
        SkyRedrawPending = 0;
    }
    static void Gsa(const std::string& s) {
        SplitFields(s);
        DecodeGSA();
    }
    static void Gsv(const std::string& s) {
        SplitFields(s);
        DecodeGSV();
    }
};

TEST_F(NmeaSatellites, FixModeName) {
    const std::pair<const char*, const char*> cases[] = {
        {"3", "3D"}, {"2", "2D"}, {"1", "No Fix"}, {"0", "No Fix"}, {"", "No Fix"},
        {"x", "No Fix"}, {"03", "3D"}, {"4", "No Fix"}};
    for (const auto& [field, name] : cases) EXPECT_EQ(FixModeName(field), name) << field;
}

TEST_F(NmeaSatellites, GsaFillsModeDopAndItsConstellationsTable) {
    Gsa("$GPGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,1.5,0.9,1.2*00");
    EXPECT_EQ(SatInfo.FixModeText, "3D");
    EXPECT_EQ(SatInfo.PdopText, "1.5");
    EXPECT_EQ(SatInfo.HdopText, "0.9");
    EXPECT_EQ(SatInfo.VdopText, "1.2");
    EXPECT_EQ(SatInfo.UsedGps[0], "01");
    EXPECT_EQ(SatInfo.UsedGps[11], "12");
    EXPECT_EQ(SatInfo.UsedGps[12], "");

    Gsa("$GLGSA,A,3,65,,,,,,,,,,,,2.0,1.0,1.7*00");
    EXPECT_EQ(SatInfo.UsedGlonass[0], "65");
    EXPECT_EQ(SatInfo.UsedGlonass[1], "");
    Gsa("$GAGSA,A,3,07,,,,,,,,,,,,2.0,1.0,1.7*00");
    EXPECT_EQ(SatInfo.UsedGalileo[0], "07");
    EXPECT_EQ(SatInfo.UsedGps[0], "01");  // untouched by the others
}

TEST_F(NmeaSatellites, GngsaWritesNoUsedTable) {
    ResetUsedSatellites();
    Gsa("$GNGSA,A,3,01,02,03,04,05,06,07,08,09,10,11,12,1.1,0.6,0.9*00");
    EXPECT_EQ(SatInfo.FixModeText, "3D");
    EXPECT_EQ(SatInfo.PdopText, "1.1");
    for (const auto* table : {&SatInfo.UsedGps, &SatInfo.UsedGlonass, &SatInfo.UsedGalileo})
        for (const auto& entry : *table) ASSERT_EQ(entry, "0");
}

TEST_F(NmeaSatellites, ThreeDimensionalMemoryAcrossAddresses) {
    const struct {
        std::vector<const char*> sentences;
        const char* mode;
    } cases[] = {
        {{"$GPGSA,A,3*00", "$GLGSA,A,2*00"}, "2D"},   // same kind: no memory
        {{"$GNGSA,A,3*00", "$GPGSA,A,2*00"}, "3D"},   // GN holds
        {{"$GPGSA,A,3*00", "$GNGSA,A,1*00"}, "3D"},   // the other kind holds
        {{"$GNGSA,A,3*00", "$GNGSA,A,2*00"}, "2D"},
        {{"$GNGSA,A,3*00", "$GPGSA,A,2*00", "$GNGSA,A,2*00"}, "2D"},
        {{"$GPGSA,A,1*00"}, "No Fix"},
    };
    for (const auto& c : cases) {
        SetUp();
        for (const char* s : c.sentences) Gsa(s);
        EXPECT_EQ(SatInfo.FixModeText, c.mode) << c.sentences.back();
    }
}

TEST_F(NmeaSatellites, GsvStoresBlocksByNumberAndSkipsTheRest) {
    Gsv("$GPGSV,3,1,12,07,45,123,38,0,10,10,10,,20,20,20,300,5,5,5*00");
    EXPECT_EQ(SatInfo.SvPrn[7], "07");
    EXPECT_EQ(SatInfo.SvElev[7], "45");
    EXPECT_EQ(SatInfo.SvAzim[7], "123");
    EXPECT_EQ(SatInfo.SvSnr[7], "38");
    EXPECT_EQ(SatInfo.SvTalker[7], "GPGSV");
    EXPECT_EQ(SatInfo.SvPrn[0], "");   // block number 0 skipped
    // 300 has no entry: nothing else was written either.
    int stored = 0;
    for (const auto& p : SatInfo.SvPrn) stored += !p.empty();
    EXPECT_EQ(stored, 1);

    // Another talker with the same number replaces the entry.
    Gsv("$GAGSV,1,1,01,07,10,200,*00");
    EXPECT_EQ(SatInfo.SvTalker[7], "GAGSV");
    EXPECT_EQ(SatInfo.SvSnr[7], "");
    Gsv("$GLGSV,1,1,01,70,11,12,13*00");
    EXPECT_EQ(SatInfo.SvTalker[70], "GLGSV");
    EXPECT_EQ(SatInfo.SvPrn[7], "07");
}

TEST_F(NmeaSatellites, RedrawRequestedAtTheEndOfTheRightGroup) {
    // flags seen, talker of the last named GSV (1 GPS, 2 GLONASS, 4 Galileo, 0 none),
    // then whether the last message of a group requests the redraw.
    const struct {
        std::uint8_t seen, talker;
        bool redraw;
    } cases[] = {
        {0, 0, false}, {1, 1, true},  {2, 2, true},  {4, 4, true},
        {3, 1, true},  {3, 2, false}, {7, 1, true},  {7, 2, false}, {7, 4, false},
        {5, 1, true},  {5, 4, false},                 // GPS and Galileo: at the GPS group
        {6, 2, true},  {6, 4, false},                 // GLONASS and Galileo: at the GLONASS group
    };
    for (const auto& c : cases) {
        SetUp();
        TalkerFlags = c.seen;
        GsvTalkerGps = c.talker == 1;
        GsvTalkerGlonass = c.talker == 2;
        GsvTalkerGalileo = c.talker == 4;
        Gsv("$GPGSV,3,2,12,01,40,083,46*00");
        EXPECT_EQ(SkyRedrawPending, 0) << "not the last message";
        Gsv("$GPGSV,3,3,12,01,40,083,46*00");
        EXPECT_EQ(SkyRedrawPending, c.redraw ? 1 : 0) << int(c.seen) << "/" << int(c.talker);
    }
    // Both counts empty also ends a group.
    SetUp();
    TalkerFlags = 1;
    GsvTalkerGps = 1;
    Gsv("$GPGSV,,,*00");
    EXPECT_EQ(SkyRedrawPending, 1);
}

TEST_F(NmeaSatellites, ResetMarksEveryEntryUnused) {
    ResetUsedSatellites();
    for (std::size_t i : {0u, 11u, 12u, 255u}) {
        EXPECT_EQ(SatInfo.UsedGps[i], "0");
        EXPECT_EQ(SatInfo.UsedGlonass[i], "0");
        EXPECT_EQ(SatInfo.UsedGalileo[i], "0");
    }
}

}  // namespace
}  // namespace qv::nmea
