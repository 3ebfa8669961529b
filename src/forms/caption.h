// Every caption shows whole: a button's or a label's caption too large for its box in the face the
// machine gives is drawn at the largest pixel size that fits, never below kCaptionMinimumPx, never
// elided.
#pragma once

#include <QFont>

#include <functional>

namespace velti::forms {

inline constexpr int kCaptionMinimumPx = 7;

// The control's own font when the caption fits at that size, else the largest pixel size that
// fits, never below kCaptionMinimumPx.
QFont fitted(QFont font, const std::function<bool(const QFont&)>& fits);

} // namespace velti::forms
