// What a screen reader is told of the windows: what each control is, whether it can be seen, and
// what it hears when something changes under the focus.
#pragma once

class QWidget;

namespace velti::forms::accessibility {

// Puts the layer's accessible interfaces before Qt's for the layer's own windows and controls.
void install();

// Called after a button's caption has changed. A button that keeps the focus through the change
// is announced again with its new caption, once the running event is done.
void captionChanged(QWidget* button);

} // namespace velti::forms::accessibility
