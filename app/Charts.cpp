#include "app/Charts.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <algorithm>
#include <cmath>

namespace qv::app {

QColor ToQColor(Color c) {
    return QColor(static_cast<int>(c & 0xFF), static_cast<int>((c >> 8) & 0xFF),
                  static_cast<int>((c >> 16) & 0xFF));
}

// --- sky view ---------------------------------------------------------------------------------

BubbleChart::BubbleChart(const QPixmap& background, QWidget* parent)
    : QWidget(parent), background_(background) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void BubbleChart::Clear() {
    bubbles_.clear();
    update();
}

void BubbleChart::Add(double x, double y, double radius, const QString& label, const QColor& color) {
    bubbles_.push_back({x, y, radius, label, color});
    update();
}

QPointF BubbleChart::Map(double x, double y) const {
    const double s = Scale();
    return {(x - kMin) * s, height() - (y - kMin) * height() / (kMax - kMin)};
}

const QPixmap& BubbleChart::Ball(const QColor& color, double radius) {
    const qreal dpr = devicePixelRatioF();
    const QString key = QStringLiteral("%1/%2/%3").arg(color.rgba()).arg(radius).arg(dpr);
    auto it = balls_.find(key);
    if (it != balls_.end()) return *it;
    if (balls_.size() > 64) balls_.clear();  // colours and sizes are few; stay bounded anyway

    const int side = static_cast<int>(std::ceil(radius * 2 + 3));
    QPixmap pix(QSize(side, side) * dpr);
    pix.setDevicePixelRatio(dpr);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF c(side / 2.0, side / 2.0);
    // A lit ball: lighter towards the upper left, darker at the rim.
    QRadialGradient fill(c + QPointF(-radius / 3, -radius / 3), radius * 1.3);
    fill.setColorAt(0, color.lighter(140));
    fill.setColorAt(0.55, color);
    fill.setColorAt(1, color.darker(135));
    p.setBrush(fill);
    p.setPen(radius > 3 ? QPen(QColor(255, 255, 255, 170), 1.1) : Qt::NoPen);
    p.drawEllipse(c, radius, radius);
    p.end();
    return *balls_.insert(key, pix);
}

const QPixmap& BubbleChart::Label(const QString& text) {
    auto it = labels_.find(text);
    if (it != labels_.end()) return *it;
    if (labels_.size() > 512) labels_.clear();

    // White text with a thin dark rim: readable on every bubble colour and on the sky.
    QFont font = this->font();
    font.setPixelSize(11);
    font.setWeight(QFont::DemiBold);
    const QFontMetricsF fm(font);
    const qreal dpr = devicePixelRatioF();
    const QSizeF size(fm.horizontalAdvance(text) + 6, fm.height() + 4);
    QPixmap pix((size * dpr).toSize());
    pix.setDevicePixelRatio(dpr);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath path;
    path.addText(QPointF(3, 2 + fm.ascent()), font, text);
    p.strokePath(path, QPen(QColor(0, 0, 0, 170), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.fillPath(path, Qt::white);
    p.end();
    return *labels_.insert(text, pix);
}

void BubbleChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(rect(), background_);
    for (const Bubble& b : bubbles_) {
        const QPointF c = Map(b.x, b.y);
        const QPixmap& ball = Ball(b.color, std::max(b.radius * Scale(), 1.5));
        const QSizeF bs = ball.deviceIndependentSize();
        p.drawPixmap(QPointF(c.x() - bs.width() / 2, c.y() - bs.height() / 2), ball);
    }
    // Every number above every ball, so crowded satellites stay readable.
    for (const Bubble& b : bubbles_) {
        if (b.label.isEmpty()) continue;
        const QPointF c = Map(b.x, b.y);
        const QPixmap& label = Label(b.label);
        const QSizeF ls = label.deviceIndependentSize();
        p.drawPixmap(QPointF(std::round(c.x() - ls.width() / 2), std::round(c.y() - ls.height() / 2)), label);
    }
}

// --- bar charts -------------------------------------------------------------------------------

BarChart::BarChart(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void BarChart::Clear() {
    bars_.clear();
    update();
}

void BarChart::Add(double value, const QString& label, const QColor& color) {
    bars_.push_back({value, label, color});
    update();
}

QRectF BarChart::PlotRect() const {
    // Left: the axis labels; top: room for a full bar's mark; bottom: the bar labels.
    return QRectF(kLabelSpace, 17, width() - kLabelSpace - 6, height() - 17 - 16);
}

double BarChart::ValueY(double v) const {
    const QRectF plot = PlotRect();
    const double clamped = std::clamp(v, 0.0, kAxisMax);
    return plot.bottom() - clamped / kAxisMax * plot.height();
}

QRectF BarChart::BarRect(int i) const {
    const QRectF plot = PlotRect();
    const double slot = plot.width() / static_cast<double>(std::max<std::size_t>(bars_.size(), 1));
    const double w = std::clamp(slot * 0.7, 2.0, 24.0);
    const double cx = plot.left() + slot * (i + 0.5);
    const double top = ValueY(bars_.at(static_cast<std::size_t>(i)).value);
    return QRectF(cx - w / 2, top, w, plot.bottom() - top);
}

QColor BarChart::TextColorAt(double x) const {
    // The background runs from 0x58 to 0xD0 grey: white text on the dark side.
    const double grey = 0x58 + (0xD0 - 0x58) * std::clamp(x / std::max(width(), 1), 0.0, 1.0);
    return grey < 0x98 ? QColor(Qt::white) : QColor(0x1a, 0x1a, 0x1a);
}

const QPixmap& BarChart::Backdrop() {
    const qreal dpr = devicePixelRatioF();
    if (!backdrop_.isNull() && backdrop_.deviceIndependentSize().toSize() == size() &&
        backdrop_.devicePixelRatio() == dpr)
        return backdrop_;
    backdrop_ = QPixmap(size() * dpr);
    backdrop_.setDevicePixelRatio(dpr);
    QPainter p(&backdrop_);
    QLinearGradient bg(0, 0, width(), 0);
    bg.setColorAt(0, QColor(0x58, 0x58, 0x58));
    bg.setColorAt(1, QColor(0xD0, 0xD0, 0xD0));
    p.fillRect(rect(), bg);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF plot = PlotRect();
    QFont small = font();
    small.setPixelSize(9);
    p.setFont(small);
    // Grid and the fixed left axis, 0 to 70 in steps of 10.
    for (int v = 0; v <= static_cast<int>(kAxisMax); v += 10) {
        const double y = std::round(ValueY(v)) + 0.5;
        p.setPen(QPen(v == 0 ? QColor(0, 0, 0, 150) : QColor(255, 255, 255, 55), 1));
        p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
        p.setPen(TextColorAt(0));
        p.drawText(QRectF(0, y - 6, kLabelSpace - 3, 12), Qt::AlignRight | Qt::AlignVCenter,
                   QString::number(v));
    }
    p.setPen(QPen(QColor(0, 0, 0, 150), 1));
    p.drawLine(QPointF(plot.left() + 0.5, plot.top()), QPointF(plot.left() + 0.5, plot.bottom()));
    return backdrop_;
}

const QPixmap& BarChart::Column(const QColor& color, int width) {
    const qreal dpr = devicePixelRatioF();
    const int height = static_cast<int>(std::ceil(PlotRect().height())) + 1;
    if (height != columnsHeight_ || dpr != columnsDpr_) {
        columns_.clear();
        columnsHeight_ = height;
        columnsDpr_ = dpr;
    }
    const std::uint64_t key = (static_cast<std::uint64_t>(color.rgba()) << 32) |
                              static_cast<std::uint32_t>(width);
    if (const auto it = columns_.find(key); it != columns_.end()) return it->second;
    if (columns_.size() > 64) columns_.clear();  // colours and widths are few; stay bounded anyway

    QPixmap pix(QSize(width, height) * dpr);
    pix.setDevicePixelRatio(dpr);
    QPainter p(&pix);
    QLinearGradient fill(0, 0, width, 0);
    fill.setColorAt(0, color.lighter(125));
    fill.setColorAt(1, color.darker(115));
    p.fillRect(QRect(0, 0, width, height), fill);
    const QColor edge = color.darker(170);
    p.fillRect(QRect(0, 0, 1, height), edge);
    p.fillRect(QRect(width - 1, 0, 1, height), edge);
    p.end();
    return columns_.emplace(key, std::move(pix)).first->second;
}

void BarChart::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawPixmap(0, 0, Backdrop());
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    const QRectF plot = PlotRect();
    QFont small = font();
    small.setPixelSize(9);
    p.setFont(small);
    const QFontMetricsF fm(small);

    double lastMarkRight = -1e9, lastLabelRight = -1e9;
    for (int i = 0; i < static_cast<int>(bars_.size()); ++i) {
        const Bar& b = bars_[static_cast<std::size_t>(i)];
        const QRectF r = BarRect(i);
        const int left = static_cast<int>(std::round(r.left()));
        const int width = std::max(static_cast<int>(std::round(r.right())) - left, 2);
        const int top = static_cast<int>(std::round(r.top()));
        const int height = static_cast<int>(std::round(r.bottom())) - top;
        if (height > 0) {
            const QPixmap& column = Column(b.color, width);
            const qreal dpr = column.devicePixelRatio();
            p.drawPixmap(QPointF(left, top), column, QRectF(0, 0, width * dpr, height * dpr));
            p.fillRect(QRect(left, top, width, 1), b.color.darker(170));
        }

        // The value as a mark above the bar; marks and labels that would run into
        // their left neighbour are left out rather than drawn over each other.
        const QString mark = QString::number(b.value, 'g', 6);
        const double mw = fm.horizontalAdvance(mark) + 6;
        QRectF box(r.center().x() - mw / 2, r.top() - 14, mw, 12);
        if (box.left() > lastMarkRight + 1) {
            p.setPen(QPen(QColor(0, 0, 0, 90), 1));
            p.setBrush(QColor(0xff, 0xf8, 0xdc, 235));
            p.drawRoundedRect(box, 2.5, 2.5);
            p.setPen(QColor(0x20, 0x20, 0x20));
            p.drawText(box, Qt::AlignCenter, mark);
            lastMarkRight = box.right();
        }
        const double lw = fm.horizontalAdvance(b.label);
        const QRectF label(r.center().x() - lw / 2, plot.bottom() + 2, lw, 13);
        if (label.left() > lastLabelRight + 2) {
            p.setPen(TextColorAt(label.center().x()));
            p.drawText(label, Qt::AlignCenter, b.label);
            lastLabelRight = label.right();
        }
    }
}

}  // namespace qv::app
