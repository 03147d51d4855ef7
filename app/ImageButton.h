// The flat image buttons of the title bar and the page bar, and the rule that
// says which picture each shows after each pointer event.
#pragma once

#include <QAbstractButton>
#include <QPixmap>

#include <functional>
#include <string_view>

#include "window/ControlNames.h"

namespace qv::app {

enum class ButtonEvent { Enter, Move, Leave, Press, Release, Click };

// The image `button` shows after `event`, given whether its page is the
// selected one (page buttons only). Empty: the event leaves the image as it is.
std::string_view ButtonImage(Ctl button, ButtonEvent event, bool selected);

// The images the two page buttons show once `page` (bsSkinSpeedButton3 for the
// status page, bsSkinSpeedButton4 for settings) has been clicked.
struct PageImages {
    std::string_view status, settings;
};
PageImages PageClickImages(Ctl page);

// A flat button that paints one picture, centred and clipped to its size, and
// reports enter, move, leave, press, release and click (in that order for a click:
// the release is reported before the click).
class ImageButton final : public QAbstractButton {
public:
    ImageButton(Ctl name, QWidget* parent);

    Ctl Name() const { return name_; }
    void SetImage(std::string_view imageName, const QPixmap& image);
    std::string_view ImageName() const { return imageName_; }
    void SetEventHandler(std::function<void(ButtonEvent)> handler) { onEvent_ = std::move(handler); }

    QSize sizeHint() const override { return size(); }

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    void Report(ButtonEvent e) {
        if (onEvent_) onEvent_(e);
    }

    Ctl name_;
    std::string_view imageName_;
    QPixmap image_;
    std::function<void(ButtonEvent)> onEvent_;
};

}  // namespace qv::app
