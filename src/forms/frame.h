// A frame: an etched rectangle, or, when designed so, the window's status bar, which holds its
// live readings.
#pragma once

#include <QFrame>

namespace velti::forms {

class FrameControl final : public QFrame {
    Q_OBJECT
public:
    using QFrame::QFrame;
    bool statusBar = false;
};

} // namespace velti::forms
