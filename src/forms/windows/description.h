// Form descriptions: a window's design as plain data, positions and sizes in twips.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace velti::forms {

// 15 twips make one logical pixel.
inline constexpr int kTwipsPerPixel = 15;
inline int pixels(int twips) {
    return static_cast<int>(std::lround(static_cast<double>(twips) / kTwipsPerPixel));
}

enum class ControlKind { CommandButton, Label, Frame, Image, Timer };
enum class Alignment { Left, Centre, Right };

struct FontSpec {
    const char* family = nullptr; // nullptr: the container's font
    double points = 0;
    bool bold = false;
    bool italic = false;
};

struct ControlDescription {
    ControlKind kind = ControlKind::Label;
    const char* name = "";
    int index = -1;                  // the element's index in a control array; -1 for none
    const char* container = nullptr; // nullptr: the window itself
    const char* caption = "";        // UTF-8, with "&" access-key markers on buttons
    int left = 0, top = 0, width = 0, height = 0;
    int tabIndex = -1;
    FontSpec font{};
    std::uint32_t foreColor = 0; // an RGB value with its alpha set; 0 keeps the default
    Alignment alignment = Alignment::Left;
    bool transparent = false; // labels: draw only the text over what lies behind
    // Labels: a one-line field with a single-line border, in the desktop's colours for fields.
    bool field = false;
    bool statusBar = false;        // a frame that holds the window's live readings
    const char* picture = nullptr; // a resource path: a button's or an image box's icon
    const char* toolTip = nullptr;
    // Buttons: what a reader is told the button does while it bears this caption.
    const char* describedCaption = nullptr;
    const char* description = nullptr;
    int interval = 0; // timers, in milliseconds
};

struct FormDescription {
    const char* name = "";
    const char* caption = "";
    const char* description = nullptr; // what a reader is told as the window opens
    int clientWidth = 0, clientHeight = 0;
    // The designed frame around the client area: side border and title bar with top border. An
    // outer height set at run time is turned into a client height with these.
    int borderSide = 45, borderTop = 330;
    bool centred = false;          // else the desktop's default position
    const char* icon = nullptr;    // resource path
    const char* picture = nullptr; // background, drawn unscaled from the top-left corner
    FontSpec font{};               // the window's default font
    std::vector<ControlDescription> controls;
};

} // namespace velti::forms
