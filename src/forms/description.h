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
enum class BorderStyle { FixedDialog, FixedSingle };
// What a screen reader is told a control is, when its kind alone does not say it: a frame that
// holds the window's live readings is its status bar.
enum class AccessibleRole { Default, StatusBar };

struct FontSpec {
    const char* family = nullptr; // nullptr: the container's font
    double points = 0;
    bool bold = false;
    bool italic = false;
};

// A colour as designed: the toolkit's default, an RGB value, or a system colour by index
// (5: window background, 8: window text).
struct Colour {
    enum class Kind { Default, Rgb, System };
    Kind kind = Kind::Default;
    std::uint32_t value = 0;

    static constexpr Colour rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
        return {Kind::Rgb, (std::uint32_t{r} << 16) | (std::uint32_t{g} << 8) | b};
    }
    static constexpr Colour system(int index) {
        return {Kind::System, static_cast<std::uint32_t>(index)};
    }
};

inline constexpr int kWindowBackground = 5;
inline constexpr int kWindowText = 8;

struct ControlDescription {
    ControlKind kind = ControlKind::Label;
    const char* name = "";
    int index = -1;                  // the element's index in a control array; -1 for none
    const char* container = nullptr; // nullptr: the window itself
    const char* caption = "";        // UTF-8, with "&" access-key markers on buttons
    int left = 0, top = 0, width = 0, height = 0;
    int tabIndex = -1;
    FontSpec font{};
    Colour foreColor{};
    Colour backColor{};
    Alignment alignment = Alignment::Left;
    bool transparent = false;      // labels: draw only the text over what lies behind
    bool border = false;           // labels: a single-line border
    const char* picture = nullptr; // a resource path: a button's or an image box's icon
    const char* toolTip = nullptr;
    int interval = 0;       // timers, in milliseconds
    bool cancel = false;    // buttons: Esc clicks it
    bool isDefault = false; // buttons: Enter clicks it
    AccessibleRole role = AccessibleRole::Default;
};

struct FormDescription {
    const char* name = "";
    const char* caption = "";
    BorderStyle border = BorderStyle::FixedDialog;
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
