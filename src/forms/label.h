// Labels: the caption a window shows, and the handle its handlers hold of it, alone or as an
// element of an array.
#pragma once

#include "forms/caption.h"
#include "forms/control.h"

#include <QLabel>

#include <cstdint>

namespace velti::forms {

// A label that always shows its whole caption, whatever face the machine gives: a caption too
// large for its box in that face is drawn at the largest pixel size that fits, wrapped as the
// label wraps (a one-line field never wraps), never below kCaptionMinimumPx, never elided.
class CaptionLabel final : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;
    QFont fittedFont() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

class Label : public Control {
public:
    using Control::Control;
    QString caption() const;
    void setCaption(const QString& caption);
    void setForeColor(QRgb colour);
};

class LabelArray : public Control {
public:
    using Control::Control;
    // The element with this index; fails if there is none.
    Label item(std::int16_t index) const;
};

} // namespace velti::forms
