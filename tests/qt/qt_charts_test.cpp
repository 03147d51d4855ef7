// The sky view and the bar charts: colours, geometry, what is painted where, and
// that a whole redraw costs one paint.
#include <QImage>

#include "QtTestSupport.h"
#include "app/Charts.h"

namespace qv::test {
namespace {

TEST(ChartColours, WindowsColourValuesAreBlueGreenRed) {
    const struct {
        Color in;
        QColor out;
    } cases[] = {{colors::Blue, QColor(0, 0, 255)},     {colors::Red, QColor(255, 0, 0)},
                 {colors::Green, QColor(0, 128, 0)},    {colors::Yellow, QColor(255, 255, 0)},
                 {colors::Silver, QColor(192, 192, 192)}, {0x123456, QColor(0x56, 0x34, 0x12)}};
    for (const auto& c : cases) EXPECT_EQ(app::ToQColor(c.in), c.out) << std::hex << c.in;
}

// Which of red, green and blue clearly dominates a pixel.
char Dominant(QRgb p) {
    const int r = qRed(p), g = qGreen(p), b = qBlue(p);
    if (b > r + 60 && b > g + 60) return 'b';
    if (r > g + 60 && r > b + 60) return 'r';
    if (g > r + 40 && g > b + 40) return 'g';
    return '?';
}

TEST_F(QtWindowTest, SkyViewPutsTheHorizonAtOneHundredUnitsOfTheSquare) {
    app::BubbleChart* sky = window->SkyChart();
    const double horizon = 208.0 * 100 / 300;
    EXPECT_EQ(sky->Map(0, 0), QPointF(104, 104));
    EXPECT_NEAR(sky->Map(100, 0).x(), 104 + horizon, 1e-9);       // east is right
    EXPECT_NEAR(sky->Map(0, 100).y(), 104 - horizon, 1e-9);       // north is up
    EXPECT_EQ(sky->Map(-150, -150), QPointF(0, 208));

    window->SeriesAddBubble(Series::Series1, 100, 0, 20, "12", colors::Blue);
    window->SeriesAddBubble(Series::Series1, 0, -100, 20, "3", colors::Red);
    window->SeriesAddBar(Series::Series1, 40, "x", colors::Red);  // not a bar series: ignored
    ASSERT_EQ(sky->Bubbles().size(), 2u);
    EXPECT_EQ(sky->Bubbles()[0].label, QStringLiteral("12"));

    const QImage img = sky->grab().toImage();
    // Below the label, inside the bubble's 13.9-pixel radius.
    const QPoint east = sky->Map(100, 0).toPoint() + QPoint(0, 9);
    const QPoint south = sky->Map(0, -100).toPoint() + QPoint(0, 9);
    EXPECT_EQ(Dominant(img.pixel(east)), 'b');
    EXPECT_EQ(Dominant(img.pixel(south)), 'r');
    EXPECT_EQ(Dominant(img.pixel(sky->Map(-100, 0).toPoint() + QPoint(0, 9))), '?') << "no bubble west";

    window->SeriesClear(Series::Series1);
    EXPECT_TRUE(sky->Bubbles().empty());
}

TEST_F(QtWindowTest, BarsStandLeftToRightOnTheFixedScale) {
    app::BarChart* gps = window->BarChartOf(Series::GPSeries);
    window->SeriesAddBar(Series::GPSeries, 35, "5", colors::Red);
    window->SeriesAddBar(Series::GPSeries, 0, "12", colors::Silver);
    window->SeriesAddBar(Series::GPSeries, 99, "29", colors::Blue);
    ASSERT_EQ(gps->Bars().size(), 3u);
    EXPECT_TRUE(window->BarChartOf(Series::GLSeries)->Bars().empty()) << "each series has its chart";

    const QRectF plot = gps->PlotRect();
    EXPECT_DOUBLE_EQ(plot.left(), app::BarChart::kLabelSpace);
    EXPECT_LT(gps->BarRect(0).right(), gps->BarRect(1).left());
    EXPECT_LT(gps->BarRect(1).right(), gps->BarRect(2).left());
    EXPECT_NEAR(gps->BarRect(0).height(), plot.height() / 2, 1e-9);  // 35 of 70
    EXPECT_DOUBLE_EQ(gps->BarRect(1).height(), 0);
    EXPECT_DOUBLE_EQ(gps->BarRect(2).top(), plot.top()) << "the axis stays at 70";

    const QImage img = gps->grab().toImage();
    EXPECT_EQ(Dominant(img.pixel(gps->BarRect(0).center().toPoint())), 'r');
    EXPECT_EQ(Dominant(img.pixel(gps->BarRect(2).center().toPoint())), 'b');

    window->SeriesClear(Series::GPSeries);
    EXPECT_TRUE(gps->Bars().empty());
}

// Counts the paints of the widget it is installed on.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) ++paints;
        return false;
    }
};

TEST_F(QtWindowTest, ARedrawOfFortySatellitesIsOnePaint) {
    PaintCounter counter;
    window->show();
    ASSERT_TRUE(SpinUntil([&] { return window->isVisible(); }));
    QCoreApplication::processEvents();
    QWidget* sky = window->SkyChart();
    sky->installEventFilter(&counter);

    window->SeriesClear(Series::Series1);
    for (int i = 0; i < 40; ++i)
        window->SeriesAddBubble(Series::Series1, i * 3 - 60, 50 - i * 2, 20, std::to_string(i + 1),
                                colors::Silver);
    EXPECT_EQ(counter.paints, 0) << "adding data does not paint by itself";
    ASSERT_TRUE(SpinUntil([&] { return counter.paints > 0; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(counter.paints, 1);
}

TEST_F(QtWindowTest, AChangeRightAfterARepaintIsHeldToTheFrameEndNotLost) {
    PaintCounter counter;
    window->show();
    ASSERT_TRUE(SpinUntil([&] { return window->isVisible(); }));
    window->SkyChart()->installEventFilter(&counter);

    // Each change lands just after the previous repaint, inside its frame: the
    // held-back repaint must still come, with the last data.
    for (int round = 1; round <= 3; ++round) {
        const int before = counter.paints;
        window->SeriesClear(Series::Series1);
        window->SeriesAddBubble(Series::Series1, round * 10, 0, 20, std::to_string(round), colors::Red);
        ASSERT_TRUE(SpinUntil([&] { return counter.paints > before; })) << "round " << round;
    }
}

}  // namespace
}  // namespace qv::test
