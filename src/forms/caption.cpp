// Every caption shows whole: the largest size that fits.
#include "forms/caption.h"

#include <QFontInfo>

namespace velti::forms {

QFont fitted(QFont font, const std::function<bool(const QFont&)>& fits) {
    int size = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    while (!fits(font) && size > kCaptionMinimumPx)
        font.setPixelSize(--size);
    return font;
}

} // namespace velti::forms
