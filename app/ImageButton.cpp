#include "app/ImageButton.h"

#include <QMouseEvent>
#include <QPainter>

namespace qv::app {

std::string_view ButtonImage(Ctl button, ButtonEvent event, bool selected) {
    using E = ButtonEvent;
    switch (button) {
        case Ctl::bsSkinSpeedButton1:  // close
            if (event == E::Move || event == E::Press) return "start1";
            if (event == E::Leave) return "start";
            return {};
        case Ctl::bsSkinSpeedButton2:  // minimise
            if (event == E::Move || event == E::Press) return "mini1";
            if (event == E::Leave) return "mini";
            return {};
        case Ctl::bsSkinSpeedButton3:  // status page
            switch (event) {
                case E::Enter: return selected ? "sss07" : "sss05";
                case E::Leave:
                case E::Release: return selected ? "sss02" : "sss01";
                case E::Press:
                case E::Click: return "sss02";
                case E::Move: return {};
            }
            return {};
        case Ctl::bsSkinSpeedButton4:  // settings page
            switch (event) {
                case E::Enter: return selected ? "sss08" : "sss06";
                case E::Leave:
                case E::Release: return selected ? "sss04" : "sss03";
                case E::Press:
                case E::Click: return "sss04";
                case E::Move: return {};
            }
            return {};
        default: return {};
    }
}

PageImages PageClickImages(Ctl page) {
    if (page == Ctl::bsSkinSpeedButton4) return {"sss01", "sss04"};
    return {"sss02", "sss03"};
}

ImageButton::ImageButton(Ctl name, QWidget* parent) : QAbstractButton(parent), name_(name) {
    // Move events without a pressed button drive the title buttons' hover image.
    setMouseTracking(true);
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    connect(this, &QAbstractButton::clicked, this, [this] { Report(ButtonEvent::Click); });
}

void ImageButton::SetImage(std::string_view imageName, const QPixmap& image) {
    imageName_ = imageName;
    image_ = image;
    update();
}

void ImageButton::paintEvent(QPaintEvent*) {
    if (image_.isNull()) return;
    QPainter p(this);
    const QSize img = image_.deviceIndependentSize().toSize();
    p.drawPixmap((width() - img.width()) / 2, (height() - img.height()) / 2, image_);
}

void ImageButton::enterEvent(QEnterEvent* e) {
    QAbstractButton::enterEvent(e);
    Report(ButtonEvent::Enter);
}

void ImageButton::leaveEvent(QEvent* e) {
    QAbstractButton::leaveEvent(e);
    Report(ButtonEvent::Leave);
}

void ImageButton::mouseMoveEvent(QMouseEvent* e) {
    QAbstractButton::mouseMoveEvent(e);
    if (rect().contains(e->position().toPoint())) Report(ButtonEvent::Move);
}

void ImageButton::mousePressEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton) Report(ButtonEvent::Press);
    QAbstractButton::mousePressEvent(e);
}

void ImageButton::mouseReleaseEvent(QMouseEvent* e) {
    // The release comes first, then the click the base class emits.
    if (e->button() == Qt::LeftButton) Report(ButtonEvent::Release);
    QAbstractButton::mouseReleaseEvent(e);
}

}  // namespace qv::app
