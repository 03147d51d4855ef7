// Validation and routing of received sentences on the headless window.
#include <gtest/gtest.h>

#include "nmea/State.h"
#include "window/HeadlessWindow.h"
#include "window/nmea_support.h"

namespace qv {
namespace {

using testing::Framed;
using testing::HandOver;
using testing::Receive;

class NmeaDispatch : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ResetDecodeState();
        Form1 = &window;
    }
    HeadlessWindow window;
};

TEST_F(NmeaDispatch, InvalidSentencesLeaveNoTrace) {
    window.SetText(Ctl::EdLat, "before");
    for (const char* s : {"$GPGLL,2503.1234,N,12131.2389,E\r\n",  // no "*"
                          "$",
                          "$GPGLL,2503.1234,N,12131.2389,E*zz\r\n",
                          "$GPGLL,2503.1234,N,12131.2389,E*00\r\n"}) {
        HandOver(s);
        EXPECT_EQ(window.Text(Ctl::Memo1), "") << s;
    }
    EXPECT_EQ(window.Text(Ctl::EdLat), "before");  // not refreshed
    EXPECT_EQ(nmea::SatInfo.LatText, "");            // not decoded
}

TEST_F(NmeaDispatch, ValidSentenceDecodedAndShownAsReceived) {
    const std::string gga = Framed("GPGGA,102128.000,2503.1234,N,12131.2389,E,2,4,1.31,29.7,M,47.4,M,,");
    HandOver(gga + "junk\r\n");  // bytes up to the next "$" travel with the sentence
    EXPECT_EQ(window.Text(Ctl::Memo1), gga + "junk\r\n");
    EXPECT_EQ(window.Text(Ctl::EdLat), "N 25\u00B003'07.40\"");
    EXPECT_EQ(window.Text(Ctl::EdLon), "E 121\u00B031'14.33\"");
    EXPECT_EQ(window.Text(Ctl::EdHeight), "29.7");
    EXPECT_EQ(window.Text(Ctl::EdSBAS), "SBAS");
}

TEST_F(NmeaDispatch, LowerCaseChecksumAccepted) {
    HandOver("$GPTXT,01,01,02,ANTSTATUS=OK*3b\r\n");
    EXPECT_EQ(window.Text(Ctl::Memo1), "$GPTXT,01,01,02,ANTSTATUS=OK*3b\r\n");
}

TEST_F(NmeaDispatch, DecodersIgnoreTheTalker) {
    const char* fields = "GGA,1,5130.0000,S,00830.2417,W,1,4,1.3,12.5,M,,M,,";
    Receive(std::string("GP") + fields);
    const std::string lat = window.Text(Ctl::EdLat), lon = window.Text(Ctl::EdLon);
    EXPECT_EQ(window.Text(Ctl::EdSBAS), "NO Fix");
    testing::ResetDecodeState();
    Receive(std::string("GN") + fields);
    EXPECT_EQ(window.Text(Ctl::EdLat), lat);
    EXPECT_EQ(window.Text(Ctl::EdLon), lon);
    EXPECT_EQ(lon, "W 8\u00B030'14.50\"");

    Receive("GPRMC,083559.000,A,2503.1234,N,12131.2389,E,10.5,0,091202,,,A");
    EXPECT_EQ(window.Text(Ctl::EdSpeed), "19.44 km/h");
    Receive("GNVTG,0,T,,M,2.0,N,3.7,K,A");
    EXPECT_EQ(window.Text(Ctl::EdSpeed), "3.7 km/h");
    Receive("GPVTG,0,T,,M,2.0,N,,K,A");
    EXPECT_EQ(window.Text(Ctl::EdSpeed), " km/h");
    Receive("GLGLL,0530.0000,N,12131.2389,E,1,A");
    EXPECT_EQ(window.Text(Ctl::EdLat), "N 5\u00B030'00.00\"");
}

TEST_F(NmeaDispatch, ZdaAndUnknownTypesChangeNoTextButAreShown) {
    Receive("GPGLL,2503.1234,N,12131.2389,E");
    const std::string shown = window.Text(Ctl::Memo1);
    Receive("GPZDA,083559.00,09,12,2002,00,00");
    Receive("GPTXT,01,01,02,hello");
    Receive("PQVR012,1");
    EXPECT_EQ(window.Text(Ctl::Memo1), shown + Framed("GPZDA,083559.00,09,12,2002,00,00") +
                                           Framed("GPTXT,01,01,02,hello") + Framed("PQVR012,1"));
    EXPECT_EQ(window.Text(Ctl::EdLat), "N 25\u00B003'07.40\"");
    EXPECT_EQ(window.Text(Ctl::EdDate), "");
    EXPECT_FALSE(window.Checked(Ctl::CheckBox9));
}

TEST_F(NmeaDispatch, GsvTalkerFlags) {
    Receive("GPGSV,1,1,01,07,45,123,38");
    EXPECT_EQ(nmea::GsvTalkerGps, 1);
    EXPECT_EQ(nmea::TalkerFlags, 1);
    for (const char* other : {"GNGSV,1,1,01,08,45,123,38", "BDGSV,1,1,01,14,45,123,38"}) {
        Receive(other);
        EXPECT_EQ(nmea::GsvTalkerGps, 1) << other;
        EXPECT_EQ(nmea::TalkerFlags, 1) << other;
    }
    EXPECT_EQ(nmea::SatInfo.SvTalker[14], "BDGSV");  // still decoded
    Receive("GLGSV,1,1,01,70,45,123,38");
    EXPECT_EQ(nmea::GsvTalkerGps, 0);
    EXPECT_EQ(nmea::GsvTalkerGlonass, 1);
    Receive("GAGSV,1,1,01,07,45,123,38");
    EXPECT_EQ(nmea::GsvTalkerGlonass, 0);
    EXPECT_EQ(nmea::GsvTalkerGalileo, 1);
    EXPECT_EQ(nmea::TalkerFlags, 7);
    Receive("GPGSVX,1,1,01,07,45,123,38");  // the first five characters decide
    EXPECT_EQ(nmea::GsvTalkerGps, 1);
}

TEST_F(NmeaDispatch, ReceiverRepliesReachTheReplyDecoder) {
    Receive("PMTK001,604,3");
    ASSERT_EQ(window.boxes.size(), 1u);
    EXPECT_EQ(window.boxes[0].text, "Set Successful!");
    EXPECT_EQ(window.Text(Ctl::Memo1), Framed("PMTK001,604,3"));  // and shown like any other
}

TEST_F(NmeaDispatch, ChannelIndicatorOnlyFromTheChnRow) {
    Receive("PMTKCHN,00000,00000");  // a reply: "MTK" matches first
    EXPECT_FALSE(window.Checked(Ctl::CheckBox9));
    Receive("PQVRCHN,1");            // "QVR" matches first
    EXPECT_FALSE(window.Checked(Ctl::CheckBox9));
    Receive("PXYZCHN,1");
    EXPECT_TRUE(window.Checked(Ctl::CheckBox9));
}

}  // namespace
}  // namespace qv
