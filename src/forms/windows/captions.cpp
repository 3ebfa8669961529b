// Captions that always show whole: the fitted font, worked out once per change, and the painting.
#include "forms/windows/captions.h"

#include <QFontInfo>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace velti::forms {

QFont fitted(QFont font, const std::function<bool(const QFont&)>& fits) {
    int size = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    while (!fits(font) && size > kCaptionMinimumPx)
        font.setPixelSize(--size);
    return font;
}

const QFont& FittedFont::of(const QWidget& widget, const QString& text,
                            const std::function<QFont()>& fit) const {
    const qreal ratio = widget.devicePixelRatioF();
    if (ratio_ == 0 || text != text_ || widget.font() != font_ || widget.size() != size_ ||
        ratio != ratio_) {
        fitted_ = fit();
        text_ = text;
        font_ = widget.font();
        size_ = widget.size();
        ratio_ = ratio;
    }
    return fitted_;
}

// The style centres the caption in the button's contents.
QFont fittedButtonFont(const QPushButton& button, const QStyleOptionButton& option) {
    const QRect room = button.style()
                           ->subElementRect(QStyle::SE_PushButtonContents, &option, &button)
                           .adjusted(2, 0, -2, 0);
    return fitted(button.font(), [&](const QFont& font) {
        const QSize caption = QFontMetrics(font).size(Qt::TextShowMnemonic, option.text);
        return caption.width() <= room.width() && caption.height() <= room.height();
    });
}

void paintButton(QPushButton& button, QStyleOptionButton option, const QFont& font,
                 bool pressShown) {
    QStylePainter painter(&button);
    if (pressShown) {
        option.state |= QStyle::State_Sunken;
        option.state &= ~QStyle::State_Raised;
    }
    painter.setFont(font);
    option.fontMetrics = QFontMetrics(font);
    painter.drawControl(QStyle::CE_PushButton, option);
}

namespace {

// The room a label leaves its text: QLabel indents a framed label's text by half an "x".
QRect textRoom(const QLabel& label) {
    QRect room = label.contentsRect().adjusted(label.margin(), label.margin(), -label.margin(),
                                               -label.margin());
    int indent = label.indent();
    if (indent < 0 && label.frameWidth() > 0)
        indent = label.fontMetrics().horizontalAdvance(QLatin1Char('x')) / 2;
    if (indent > 0 && (label.alignment() & Qt::AlignLeft))
        room.setLeft(room.left() + indent);
    else if (indent > 0 && (label.alignment() & Qt::AlignRight))
        room.setRight(room.right() - indent);
    return room;
}

// The height a line of text takes on screen, in logical pixels. On a scaled screen the face is
// drawn at the scaled size, and its ascent and descent round up in device pixels: at scale 2 an
// 11 px line needs 12.5 rows, not the 12 the logical metrics report.
qreal lineHeight(QFont font, qreal ratio) {
    if (font.pixelSize() <= 0)
        return QFontMetricsF(font).height();
    font.setPixelSize(qRound(font.pixelSize() * ratio));
    return QFontMetricsF(font).height() / ratio;
}

// How a label lays out its plain text: as QLabel does, but a one-line field centres its line in
// its box. QLabel would indent it from the top as far as from the side, and the descenders of the
// memory fields (11 px of text in 15 rows) met the border below.
int textFlags(const QLabel& label) {
    const Qt::Alignment aligned =
        QStyle::visualAlignment(label.layoutDirection(), label.alignment());
    if (label.wordWrap())
        return int(aligned) | Qt::TextWordWrap;
    return int(aligned & Qt::AlignHorizontal_Mask) | Qt::AlignVCenter | Qt::TextSingleLine;
}

} // namespace

QFont fittedLabelFont(const QLabel& label) {
    const QRect room = textRoom(label);
    const QString text = label.text();
    return fitted(label.font(), [&](const QFont& font) {
        const QFontMetrics metrics(font);
        if (!label.wordWrap()) {
            // A shrunk caption keeps the label's indent clear at its other end too: it never
            // runs up to the border, whatever the font engine's rounding.
            const int indent = label.contentsRect().width() - room.width();
            return metrics.horizontalAdvance(text) <= room.width() - indent &&
                   lineHeight(font, label.devicePixelRatioF()) <= room.height();
        }
        // Every line, as the words fold in this face, and no word wider than the box.
        const QRect drawn = metrics.boundingRect(room, textFlags(label), text);
        return drawn.width() <= room.width() && drawn.height() <= room.height();
    });
}

void paintLabelText(QPainter& painter, const QLabel& label, const QFont& font) {
    painter.setFont(font);
    label.style()->drawItemText(&painter, textRoom(label), textFlags(label), label.palette(),
                                label.isEnabled(), label.text(), label.foregroundRole());
}

} // namespace velti::forms
