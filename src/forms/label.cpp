// Labels: the caption a window shows, and the handle its handlers hold of it.
#include "forms/label.h"

#include <QPainter>
#include <QStyle>

namespace velti::forms {

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

QFont CaptionLabel::fittedFont() const {
    const QRect room = textRoom(*this);
    return fitted(font(), [&](const QFont& font) {
        const QFontMetrics metrics(font);
        if (!wordWrap()) {
            // A shrunk caption keeps the label's indent clear at its other end too: it never
            // runs up to the border, whatever the font engine's rounding.
            const int indent = contentsRect().width() - room.width();
            return metrics.horizontalAdvance(text()) <= room.width() - indent &&
                   lineHeight(font, devicePixelRatioF()) <= room.height();
        }
        // Every line, as the words fold in this face, and no word wider than the box.
        const QRect drawn = metrics.boundingRect(room, textFlags(*this), text());
        return drawn.width() <= room.width() && drawn.height() <= room.height();
    });
}

void CaptionLabel::paintEvent(QPaintEvent* event) {
    const QFont fitted = fittedFont();
    if (fitted == font() && wordWrap())
        return QLabel::paintEvent(event);
    QPainter painter(this);
    drawFrame(&painter);
    painter.setFont(fitted);
    style()->drawItemText(&painter, textRoom(*this), textFlags(*this), palette(), isEnabled(),
                          text(), foregroundRole());
}

QString Label::caption() const {
    return live<QLabel>()->text();
}

void Label::setCaption(const QString& caption) {
    live<QLabel>()->setText(caption);
}

void Label::setForeColor(QRgb colour) {
    auto* label = live<QLabel>();
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor::fromRgb(colour));
    label->setPalette(palette);
}

Label LabelArray::item(std::int16_t index) const {
    window_.operation();
    Label element(window_, name_, index);
    if (element.object() == nullptr)
        throw RuntimeError::noSuchElement(index);
    return element;
}

} // namespace velti::forms
