// Captions that always show whole, whatever face the machine gives: a caption too large for its
// box in the control's own font is drawn at the largest pixel size that fits, never below
// kCaptionMinimumPx, never elided. A caption's fitted font is worked out again only when its
// text, font, box or scale changes, not at every paint.
#pragma once

#include <QFont>
#include <QSize>
#include <QString>
#include <QStyleOptionButton>

#include <functional>

class QLabel;
class QPainter;
class QPushButton;
class QWidget;

namespace velti::forms {

inline constexpr int kCaptionMinimumPx = 7;

// The font when the caption fits at its size, else the largest pixel size that fits, never below
// kCaptionMinimumPx.
QFont fitted(QFont font, const std::function<bool(const QFont&)>& fits);

// A button's caption keeps a pixel clear of the frame's inner edge at either end, as a framed
// label does of its border.
QFont fittedButtonFont(const QPushButton& button, const QStyleOptionButton& option);
void paintButton(QPushButton& button, QStyleOptionButton option, const QFont& font,
                 bool pressShown);

// A label's caption wraps as the label wraps (a one-line field never wraps, and centres its line).
QFont fittedLabelFont(const QLabel& label);
// The caption, in the font fitted, within the frame the label has drawn.
void paintLabelText(QPainter& painter, const QLabel& label, const QFont& font);

// A widget's fitted font, kept until what it was worked out from changes.
class FittedFont {
public:
    const QFont& of(const QWidget& widget, const QString& text,
                    const std::function<QFont()>& fit) const;

private:
    mutable QString text_;
    mutable QFont font_;
    mutable QSize size_;
    mutable qreal ratio_ = 0;
    mutable QFont fitted_;
};

} // namespace velti::forms
