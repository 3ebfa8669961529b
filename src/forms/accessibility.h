// What a screen reader is told of the windows: what each control is, and what an action changed.
#pragma once

#include <QPointer>

#include <vector>

class QWidget;

namespace velti::forms::accessibility {

// Puts the layer's accessible interfaces before Qt's for the layer's own windows and controls.
void install();

// Called when a hidden control has come into sight: it joins the window's tree, the same object
// it was.
void joinedTheTree(QWidget* control);

// Called once a click's handler has ended, with the controls it changed: the time or the state
// in the status bar, labels it brought into sight, a button renamed under the focus. A person
// hears the change once, after what the focus says, in the words the window now shows.
void announce(QWidget* window, const std::vector<QPointer<QWidget>>& changed,
              const QWidget* focusBefore);

// How long after the handler a person is told, and how long what is told stays to be read.
inline constexpr int kNoticeDelayMs = 100;
inline constexpr int kNoticeShownMs = 1500;

} // namespace velti::forms::accessibility
