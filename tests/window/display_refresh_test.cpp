// The per-sentence refresh: sentence view limits, text fields, sky view and charts.
#include <string>

#include <gtest/gtest.h>

#include "nmea/State.h"
#include "window/HeadlessWindow.h"
#include "window/nmea_support.h"

namespace qv {
namespace {

using testing::Framed;
using testing::Receive;

class DisplayRefresh : public ::testing::Test {
protected:
    void SetUp() override {
        testing::ResetDecodeState();
        Form1 = &window;
    }
    // Labels of one series, in drawing order.
    std::string Labels(Series s) const {
        std::string out;
        if (s == Series::Series1) {
            for (const auto& b : window.Bubbles(s)) out += b.label + ";";
        } else {
            for (const auto& b : window.Bars(s)) out += b.label + ";";
        }
        return out;
    }
    const HeadlessWindow::Bubble& BubbleOf(const std::string& label) const {
        for (const auto& b : window.Bubbles(Series::Series1))
            if (b.label == label) return b;
        throw std::runtime_error("no bubble " + label);
    }
    HeadlessWindow window;
};

TEST_F(DisplayRefresh, SentenceViewStartsOverPastItsLimits) {
    const std::string gll = Framed("GPGLL,,,,,,V,N");
    const struct {
        std::string before;
        bool emptied;
    } cases[] = {
        {std::string(49, '\n'), false},  // 50 lines as the control counts them
        {std::string(50, '\n'), true},   // 51 lines
        {std::string(5000, 'x'), false},
        {std::string(5001, 'x'), true},
    };
    for (const auto& c : cases) {
        window.SetText(Ctl::Memo1, c.before);
        Receive("GPGLL,,,,,,V,N");
        EXPECT_EQ(window.Text(Ctl::Memo1), c.emptied ? gll : c.before + gll)
            << window.LineCount(Ctl::Memo1) << " lines";
    }
}

TEST_F(DisplayRefresh, TextFieldsFollowTheRecordEverySentence) {
    nmea::SatInfo.DateText = "2002/12/09";
    nmea::SatInfo.TimeText = "16:35:59";
    nmea::SatInfo.FixModeText = "3D";
    nmea::SatInfo.LatText = "lat";
    nmea::SatInfo.LonText = "lon";
    nmea::SatInfo.SpeedText = "1 km/h";
    nmea::SatInfo.PdopText = "1.5";
    nmea::SatInfo.AltText = "29.7";
    window.SetText(Ctl::EdMode, "set by hand");  // lasts only until the next sentence
    Receive("GPTXT,1");
    const std::pair<Ctl, const char*> fields[] = {
        {Ctl::EdDate, "2002/12/09"}, {Ctl::EdTime, "16:35:59"}, {Ctl::EdMode, "3D"},
        {Ctl::EdLat, "lat"},         {Ctl::EdLon, "lon"},       {Ctl::EdSpeed, "1 km/h"},
        {Ctl::EdPDOP, "1.5"},        {Ctl::EdHeight, "29.7"}};
    for (const auto& [control, text] : fields) EXPECT_EQ(window.Text(control), text) << ControlName(control);
}

TEST_F(DisplayRefresh, RedrawColoursPlacesAndForgetsSatellites) {
    Receive("GPGSA,A,3,12,193,,,,,,,,,,,1.5,0.9,1.2");
    Receive("GLGSA,A,3,71,,,,,,,,,,,,1.5,0.9,1.2");
    // One GPS group: GPS alone so far, so its end redraws.
    Receive("GPGSV,1,1,03,12,90,000,40,193,00,090,35,05,45,180,");
    EXPECT_EQ(nmea::SkyRedrawPending, 0);
    EXPECT_EQ(Labels(Series::Series1), ";;;;05;12;193;");  // anchors, then by number
    EXPECT_EQ(Labels(Series::GPSeries), "05;12;");
    EXPECT_EQ(Labels(Series::JpSeries), "193;");
    const auto& gp = window.Bars(Series::GPSeries);
    EXPECT_EQ(gp[0].value, 0);  // no SNR: a bar of height 0 with its label
    EXPECT_EQ(gp[0].color, colors::Silver);
    EXPECT_EQ(gp[1].value, 40);
    EXPECT_EQ(gp[1].color, colors::Blue);
    EXPECT_EQ(window.Bars(Series::JpSeries)[0].color, colors::Green);
    EXPECT_EQ(BubbleOf("193").color, colors::Green);

    const struct {
        const char* label;
        double x, y;
    } places[] = {{"12", 0, 0}, {"193", 100, 0}, {"05", 0, -70.71}};
    for (const auto& p : places) {
        EXPECT_NEAR(BubbleOf(p.label).x, p.x, 0.005) << p.label;
        EXPECT_NEAR(BubbleOf(p.label).y, p.y, 0.005) << p.label;
        EXPECT_EQ(BubbleOf(p.label).radius, 20);
    }
    const double corners[][2] = {{150, 150}, {150, -150}, {-150, 150}, {-150, -150}};
    for (int k = 0; k < 4; ++k) {
        const auto& b = window.Bubbles(Series::Series1)[static_cast<std::size_t>(k)];
        EXPECT_EQ(b.x, corners[k][0]);
        EXPECT_EQ(b.y, corners[k][1]);
        EXPECT_EQ(b.radius, 1);
        EXPECT_EQ(b.label, "");
        EXPECT_EQ(b.color, colors::Red);
    }
    // Drawn entries are emptied; the talker stays.
    for (std::size_t i : {5u, 12u, 193u}) {
        EXPECT_EQ(nmea::SatInfo.SvPrn[i], "");
        EXPECT_EQ(nmea::SatInfo.SvElev[i], "");
        EXPECT_EQ(nmea::SatInfo.SvAzim[i], "");
        EXPECT_EQ(nmea::SatInfo.SvSnr[i], "");
    }
    EXPECT_EQ(nmea::SatInfo.SvTalker[12], "GPGSV");

    // GLONASS and another talker fill the tables; only the next GPS group draws them.
    const int clears = window.SeriesClears(Series::Series1);
    Receive("GLGSV,1,1,02,70,10,10,20,71,20,20,30");
    Receive("BDGSV,1,1,01,14,30,60,25");
    EXPECT_EQ(window.SeriesClears(Series::Series1), clears);
    Receive("GPGSV,1,1,01,12,90,000,41");
    EXPECT_EQ(Labels(Series::Series1), ";;;;12;14;70;71;");
    EXPECT_EQ(Labels(Series::GPSeries), "12;");
    EXPECT_EQ(Labels(Series::JpSeries), "");
    EXPECT_EQ(Labels(Series::GLSeries), "70;71;");
    EXPECT_EQ(window.Bars(Series::GLSeries)[0].color, colors::Silver);
    EXPECT_EQ(window.Bars(Series::GLSeries)[1].color, colors::Yellow);
    EXPECT_EQ(Labels(Series::GASeries), "");
    EXPECT_EQ(BubbleOf("14").color, colors::Silver);  // BeiDou: silver bubble, no bar

    // A redraw with nothing stored since the last: anchors and empty charts only.
    Receive("GPGSV,1,1,00");
    EXPECT_EQ(Labels(Series::Series1), ";;;;");
    EXPECT_EQ(Labels(Series::GPSeries), "");
    EXPECT_EQ(Labels(Series::GLSeries), "");
}

TEST_F(DisplayRefresh, GlonassAndGalileoStillDrawTheSky) {
    for (int cycle = 0; cycle < 2; ++cycle) {
        Receive("GLGSV,1,1,01,70,10,10,20");
        Receive("GAGSV,1,1,01,07,20,20,30");
    }
    // The last GLONASS group end drew the Galileo satellite of the cycle before.
    EXPECT_EQ(nmea::TalkerFlags, 6);
    EXPECT_EQ(Labels(Series::GASeries), "07;");
    EXPECT_EQ(Labels(Series::GLSeries), "70;");
}

}  // namespace
}  // namespace qv
