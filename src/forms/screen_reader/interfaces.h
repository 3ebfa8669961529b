// What assistive technology sees of the windows: each control presented by an interface of the
// layer's own, as a person meets it.
#pragma once

namespace velti::forms::accessibility {

// Installs the interfaces, and the filter that tells nothing of a control not on screen.
void install();

} // namespace velti::forms::accessibility
