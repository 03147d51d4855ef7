#include "display/Refresh.h"

#include <array>
#include <string>
#include <string_view>

#include "display/Sky.h"
#include "log/Log.h"
#include "nmea/Dispatch.h"
#include "nmea/Fields.h"
#include "nmea/State.h"
#include "window/Controls.h"

namespace qv::display {

namespace {

using nmea::SatInfo;

constexpr int kMemoMaxLines = 50;
constexpr int kMemoMaxChars = 5000;

// The texts of one used-satellite table with runs of equal entries folded, built
// once per redraw: asking it gives the same answer as searching all 256 entries,
// without doing that for every satellite drawn.
class UsedSet {
public:
    explicit UsedSet(const std::array<std::string, 256>& table) : table_(table) {}
    bool Contains(std::string_view number) {
        if (!built_) Build();
        for (std::size_t k = 0; k < count_; ++k)
            if (*texts_[k] == number) return true;
        return false;
    }

private:
    void Build() {
        built_ = true;
        const std::string* last = &table_[0];
        texts_[count_++] = last;
        for (const std::string& entry : table_) {
            if (entry.size() == last->size() && entry == *last) continue;
            last = &entry;
            texts_[count_++] = last;
        }
    }
    const std::array<std::string, 256>& table_;
    std::array<const std::string*, 256> texts_;  // filled up to count_ only
    std::size_t count_ = 0;
    bool built_ = false;
};

struct UsedSets {
    UsedSet gps{SatInfo.UsedGps}, glonass{SatInfo.UsedGlonass}, galileo{SatInfo.UsedGalileo};

    // SatelliteColor, answered from the folded tables.
    Color ColorOf(std::string_view number, std::string_view address) {
        if (address == "GPGSV")
            return gps.Contains(number) ? (IsQzssNumber(number) ? colors::Green : colors::Blue)
                                        : colors::Silver;
        if (address == "GLGSV") return glonass.Contains(number) ? colors::Yellow : colors::Silver;
        if (address == "GAGSV") return galileo.Contains(number) ? colors::Red : colors::Silver;
        return colors::Silver;
    }
};

// The bar chart of a satellite's constellation; Count when it has none.
Series BarSeries(std::string_view number, std::string_view address) {
    if (address == "GPGSV") return IsQzssNumber(number) ? Series::JpSeries : Series::GPSeries;
    if (address == "GLGSV") return Series::GLSeries;
    if (address == "GAGSV") return Series::GASeries;
    return Series::Count;
}

void ShowSentence(std::string_view sentence) {
    if (Form1->LineCount(Ctl::Memo1) > kMemoMaxLines || Form1->TextLength(Ctl::Memo1) > kMemoMaxChars)
        Form1->SetText(Ctl::Memo1, "");
    Form1->AppendText(Ctl::Memo1, sentence);
}

void ShowTexts() {
    Form1->SetText(Ctl::EdDate, SatInfo.DateText);
    Form1->SetText(Ctl::EdTime, SatInfo.TimeText);
    Form1->SetText(Ctl::EdMode, SatInfo.FixModeText);
    Form1->SetText(Ctl::EdLat, SatInfo.LatText);
    Form1->SetText(Ctl::EdLon, SatInfo.LonText);
    Form1->SetText(Ctl::EdSpeed, SatInfo.SpeedText);
    Form1->SetText(Ctl::EdPDOP, SatInfo.PdopText);
    Form1->SetText(Ctl::EdHeight, SatInfo.AltText);
}

// Draws every satellite stored since the last redraw, then forgets it, so a
// satellite not reported again drops out of the next drawing.
void RedrawSky() {
    for (Series s : {Series::Series1, Series::JpSeries, Series::GPSeries, Series::GLSeries,
                     Series::GASeries})
        Form1->SeriesClear(s);
    // Corner dots pin the automatic scale of the sky view to +-150.
    for (const auto& [x, y] : {std::pair{150.0, 150.0}, {150.0, -150.0}, {-150.0, 150.0}, {-150.0, -150.0}})
        Form1->SeriesAddBubble(Series::Series1, x, y, 1, "", colors::Red);

    UsedSets used;
    for (std::size_t i = 0; i < 256; ++i) {
        const std::string& prn = SatInfo.SvPrn[i];
        if (prn.empty() || nmea::FieldToInt(prn) == 0) continue;
        const std::string& talker = SatInfo.SvTalker[i];
        const Color color = used.ColorOf(prn, talker);
        const Series bars = BarSeries(prn, talker);
        if (bars != Series::Count) Form1->SeriesAddBar(bars, nmea::FieldToInt(SatInfo.SvSnr[i]), prn, color);
        const SkyPoint p =
            SkyPosition(nmea::FieldToInt(SatInfo.SvElev[i]), nmea::FieldToInt(SatInfo.SvAzim[i]));
        Form1->SeriesAddBubble(Series::Series1, p.x, p.y, 20, prn, color);
        SatInfo.SvPrn[i].clear();
        SatInfo.SvElev[i].clear();
        SatInfo.SvAzim[i].clear();
        SatInfo.SvSnr[i].clear();
    }
    nmea::SkyRedrawPending = 0;
}

}  // namespace

void RefreshDisplay() {
    if (!Form1) return;
    ShowSentence(nmea::SentenceText());
    logging::LogSentence();
    ShowTexts();
    if (nmea::SkyRedrawPending) RedrawSky();
}

}  // namespace qv::display
