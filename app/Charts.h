// The sky view (bubbles on a background picture) and the signal-strength bar
// charts. Adding data only records it and asks for one repaint, so a redraw of
// forty satellites costs one paint.
#pragma once

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <map>
#include <vector>

#include "window/Controls.h"

namespace qv::app {

// Colours travel as 0x00BBGGRR: 0xFF0000 is blue.
QColor ToQColor(Color c);

class BubbleChart final : public QWidget {
public:
    struct Bubble {
        double x, y, radius;
        QString label;
        QColor color;
    };
    // The plotted square; the refresh's corner anchors keep every redraw on it.
    static constexpr double kMin = -150, kMax = 150;

    BubbleChart(const QPixmap& background, QWidget* parent);

    void Clear();
    void Add(double x, double y, double radius, const QString& label, const QColor& color);
    const std::vector<Bubble>& Bubbles() const { return bubbles_; }
    // Widget coordinates of a plot point, and pixels per plot unit.
    QPointF Map(double x, double y) const;
    double Scale() const { return width() / (kMax - kMin); }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    // Balls and labels are drawn once and reused: a sky of forty satellites is
    // then forty pairs of image copies per paint.
    const QPixmap& Ball(const QColor& color, double radius);
    const QPixmap& Label(const QString& text);

    QPixmap background_;
    std::vector<Bubble> bubbles_;
    QHash<QString, QPixmap> balls_, labels_;
};

class BarChart final : public QWidget {
public:
    struct Bar {
        double value;
        QString label;
        QColor color;
    };
    static constexpr double kAxisMax = 70;  // the left axis is fixed at 0..70
    static constexpr int kLabelSpace = 20;  // room for the left axis labels

    explicit BarChart(QWidget* parent);

    void Clear();
    void Add(double value, const QString& label, const QColor& color);
    const std::vector<Bar>& Bars() const { return bars_; }
    // Where bar i is drawn (its height follows the fixed axis).
    QRectF BarRect(int i) const;
    QRectF PlotRect() const;

protected:
    void paintEvent(QPaintEvent*) override;

private:
    double ValueY(double v) const;
    // The gradient, grid and axis: the same on every paint.
    const QPixmap& Backdrop();
    // Text that reads well on the background gradient at x.
    QColor TextColorAt(double x) const;
    // A bar of the full plot height in one colour and width, painted once: each
    // bar is then a plain copy of its lower part (a fill of a tall gradient on
    // every repaint is many times dearer).
    const QPixmap& Column(const QColor& color, int width);

    std::vector<Bar> bars_;
    QPixmap backdrop_;
    std::map<std::uint64_t, QPixmap> columns_;
    int columnsHeight_ = 0;
    qreal columnsDpr_ = 0;
};

}  // namespace qv::app
