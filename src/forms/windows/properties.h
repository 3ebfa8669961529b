// The properties the building of a window leaves on its controls, for the handles and for what a
// screen reader is told.
#pragma once

namespace velti::forms {

// A control's index in its array (an int); a control of no array has none.
inline constexpr const char* kIndex = "velti_index";
// A button's designed caption and what it does while it bears it (a QStringList).
inline constexpr const char* kDescribed = "velti_described";

} // namespace velti::forms
