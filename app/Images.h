// The window's pictures: the twelve button images and the sky-view background,
// painted once at start-up and kept by resource name so the button rules can
// swap them by name.
#pragma once

#include <QColor>
#include <QHash>
#include <QPixmap>
#include <QString>

#include <string_view>

namespace qv::app {

// The window's colour scheme, shared by the images, the panels and the charts.
namespace theme {
inline const QColor Panel{0x7d, 0x84, 0x8c};     // medium grey of the pages
inline const QColor TitleBar{0x5c, 0x63, 0x6b};  // a darker grey for the title bar
inline const QColor Accent{0x2b, 0x78, 0xc8};    // selected page, the On button
inline const QColor AccentHover{0x47, 0x91, 0xdc};
inline const QColor TabIdle{0x69, 0x70, 0x78};
inline const QColor TabHover{0x8c, 0x94, 0x9d};
inline const QColor CloseHover{0xd9, 0x43, 0x43};
}  // namespace theme

class ImageStore {
public:
    // Paints every picture of the window.
    ImageStore();

    // The image by resource name; a null pixmap for an unknown name.
    QPixmap Image(std::string_view name) const;
    bool Has(std::string_view name) const;

    // The sky-view background, 208 x 208.
    static constexpr std::string_view kSky = "sky";
    // The window icon, 32 x 32.
    static constexpr std::string_view kIcon = "icon";

private:
    QHash<QString, QPixmap> images_;
};

}  // namespace qv::app
