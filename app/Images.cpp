#include "app/Images.h"

#include <QFont>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>

namespace qv::app {

namespace {

QPixmap Blank(int w, int h, const QColor& fill) {
    QPixmap p(w, h);
    p.fill(fill);
    return p;
}

// A page tab, drawn so that its visible part is the middle 58 x 26 pixels: the
// 150 x 30 picture is shown centred on a 60 x 27 button.
struct TabStyle {
    QColor fill, text, marker;  // marker: the accent bar of the selected page
};

QPixmap PageTab(const QString& caption, const TabStyle& s) {
    QPixmap pix = Blank(150, 30, theme::TitleBar);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF tab(46, 4, 58, 27);
    QPainterPath path;
    path.addRoundedRect(tab, 4, 4);
    p.fillPath(path, s.fill);
    if (s.marker.isValid()) p.fillRect(QRectF(tab.left() + 4, tab.top(), tab.width() - 8, 3), s.marker);
    QFont f("DejaVu Sans Condensed");
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(11);
    f.setBold(true);
    p.setFont(f);
    p.setPen(s.text);
    p.drawText(tab.adjusted(0, 2, 0, -1), Qt::AlignCenter, caption);
    return pix;
}

// Title-bar glyphs: a cross for close, a bar for minimise, on an optional plate.
QPixmap TitleButton(int w, int h, const QRectF& plate, const QColor& plateColor, bool cross,
                    const QColor& glyph) {
    QPixmap pix = Blank(w, h, theme::TitleBar);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    if (plateColor.isValid()) {
        QPainterPath path;
        path.addRoundedRect(plate, 3, 3);
        p.fillPath(path, plateColor);
    }
    const QPointF c = plate.center();
    p.setPen(QPen(glyph, 1.6, Qt::SolidLine, Qt::RoundCap));
    if (cross) {
        p.drawLine(c + QPointF(-3.5, -3.5), c + QPointF(3.5, 3.5));
        p.drawLine(c + QPointF(-3.5, 3.5), c + QPointF(3.5, -3.5));
    } else {
        p.drawLine(c + QPointF(-4, 3), c + QPointF(4, 3));
    }
    return pix;
}

// The sky seen from above: zenith in the middle, the horizon at 100 units of a
// plot that spans -150..150, north up and east right.
QPixmap SkyBackground() {
    constexpr int kSize = 208;
    constexpr double kCentre = kSize / 2.0;
    constexpr double kHorizon = kSize * 100.0 / 300.0;
    QPixmap pix(kSize, kSize);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    QPainterPath tile;
    tile.addRoundedRect(QRectF(0.5, 0.5, kSize - 1, kSize - 1), 8, 8);
    QLinearGradient tileFill(0, 0, 0, kSize);
    tileFill.setColorAt(0, QColor(0x33, 0x3a, 0x42));
    tileFill.setColorAt(1, QColor(0x26, 0x2c, 0x33));
    p.fillPath(tile, tileFill);

    const QPointF c(kCentre, kCentre);
    QRadialGradient disc(c, kHorizon);
    disc.setColorAt(0, QColor(0x35, 0x5a, 0x7e));
    disc.setColorAt(1, QColor(0x22, 0x3c, 0x57));
    p.setPen(Qt::NoPen);
    p.setBrush(disc);
    p.drawEllipse(c, kHorizon, kHorizon);

    // Cross through the zenith, then the rings: 45 degrees elevation and the horizon.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(0xa8, 0xc8, 0xe8, 110), 1));
    p.drawLine(QPointF(kCentre - kHorizon, kCentre), QPointF(kCentre + kHorizon, kCentre));
    p.drawLine(QPointF(kCentre, kCentre - kHorizon), QPointF(kCentre, kCentre + kHorizon));
    const double r45 = kHorizon * std::cos(M_PI / 4);
    p.setPen(QPen(QColor(0xa8, 0xc8, 0xe8, 130), 1, Qt::DashLine));
    p.drawEllipse(c, r45, r45);
    p.setPen(QPen(QColor(0xb8, 0xd6, 0xf2, 220), 1.5));
    p.drawEllipse(c, kHorizon, kHorizon);

    // Azimuth ticks every 30 degrees just outside the horizon.
    p.setPen(QPen(QColor(0xb8, 0xd6, 0xf2, 160), 1.2));
    for (int az = 0; az < 360; az += 30) {
        const double a = az * M_PI / 180.0;
        const QPointF dir(std::sin(a), -std::cos(a));
        p.drawLine(c + dir * (kHorizon + 2), c + dir * (kHorizon + 6));
    }

    QFont f("DejaVu Sans");
    f.setStyleHint(QFont::SansSerif);
    f.setPixelSize(13);
    f.setBold(true);
    p.setFont(f);
    p.setPen(QColor(0xee, 0xf3, 0xf8));
    const double d = kHorizon + 20;
    const struct {
        const char* text;
        QPointF at;
    } letters[] = {{"N", c + QPointF(0, -d)}, {"E", c + QPointF(d, 0)},
                   {"S", c + QPointF(0, d)},  {"W", c + QPointF(-d, 0)}};
    for (const auto& l : letters)
        p.drawText(QRectF(l.at.x() - 10, l.at.y() - 10, 20, 20), Qt::AlignCenter, l.text);
    return pix;
}

QPixmap Icon() {
    QPixmap pix(32, 32);
    pix.fill(Qt::transparent);
    QPainter p(&pix);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath plate;
    plate.addRoundedRect(QRectF(1, 1, 30, 30), 7, 7);
    p.fillPath(plate, theme::Accent);
    p.setPen(QPen(Qt::white, 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(16, 16), 10, 10);
    p.setPen(QPen(QColor(255, 255, 255, 150), 1.2));
    p.drawEllipse(QPointF(16, 16), 5, 5);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xff, 0xd2, 0x4a));
    p.drawEllipse(QPointF(23, 9), 3.2, 3.2);
    return pix;
}

}  // namespace

ImageStore::ImageStore() {
    using namespace theme;
    const QColor white(Qt::white);
    const QColor idleText(0xdd, 0xe1, 0xe5);
    const TabStyle idle{TabIdle, idleText, QColor()};
    const TabStyle selected{Panel, white, Accent};
    const TabStyle hover{TabHover, white, QColor()};
    const TabStyle hoverSelected{QColor(0x8f, 0x97, 0xa0), white, AccentHover};

    // Close: 42 x 15 shown centred on a 25 x 14 button; minimise: 25 x 15 on 24 x 14.
    const QRectF closePlate(9, 0, 24, 14);
    const QRectF miniPlate(0.5, 0, 24, 14);
    const QColor glyph(0xe8, 0xea, 0xed);
    images_.insert("start", TitleButton(42, 15, closePlate, QColor(), true, glyph));
    images_.insert("start1", TitleButton(42, 15, closePlate, CloseHover, true, white));
    images_.insert("mini", TitleButton(25, 15, miniPlate, QColor(), false, glyph));
    images_.insert("mini1", TitleButton(25, 15, miniPlate, TabHover, false, white));

    const QString status = QStringLiteral("Status"), settings = QStringLiteral("Settings");
    images_.insert("sss01", PageTab(status, idle));
    images_.insert("sss02", PageTab(status, selected));
    images_.insert("sss03", PageTab(settings, idle));
    images_.insert("sss04", PageTab(settings, selected));
    images_.insert("sss05", PageTab(status, hover));
    images_.insert("sss06", PageTab(settings, hover));
    images_.insert("sss07", PageTab(status, hoverSelected));
    images_.insert("sss08", PageTab(settings, hoverSelected));

    images_.insert(QString::fromLatin1(kSky.data(), kSky.size()), SkyBackground());
    images_.insert(QString::fromLatin1(kIcon.data(), kIcon.size()), Icon());
}

QPixmap ImageStore::Image(std::string_view name) const {
    return images_.value(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

bool ImageStore::Has(std::string_view name) const {
    return images_.contains(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
}

}  // namespace qv::app
