// The About window as designed, in twips, from the top of the window down.
#include "about/form3.h"

#include "core/version.h"

namespace velti {

using namespace forms;

const FormDescription& form3Description() {
    static const FontSpec dialogFont{.family = "MS Sans Serif", .points = 8.25};
    static const FontSpec arial{.family = "Arial", .points = 8.25};
    static constexpr std::uint32_t white = 0xffffffff;
    // The design reads as a table, one control a row.
    // clang-format off
    static const FormDescription description{
        .name = "Form3",
        .caption = "Informazioni su...",
        .description = VELTI_NAME ", versione " VELTI_VERSION_MAJOR_TEXT,
        .clientWidth = 4830,
        .clientHeight = 3075,
        .centred = true,
        .icon = ":/velti/logo.ico",
        .picture = ":/velti/background.bmp",
        .font = dialogFont,
        .controls = {
            {.kind = ControlKind::Label, .name = "Label1", .index = 0, .caption = VELTI_NAME, .left = 1440, .top = 120, .width = 3285, .height = 435, .tabIndex = 0, .font = {.family = "Arial", .points = 14.25, .bold = true}, .alignment = Alignment::Centre, .transparent = true},
            {.kind = ControlKind::Image, .name = "Image1", .left = 600, .top = 360, .width = 480, .height = 480, .picture = ":/velti/stopwatch.ico"},
            {.kind = ControlKind::Label, .name = "Label2", .caption = "Preciso al secondo", .left = 1440, .top = 600, .width = 3255, .height = 315, .tabIndex = 1, .font = {.family = "Arial", .points = 8.25, .italic = true}, .alignment = Alignment::Centre, .transparent = true},
            {.kind = ControlKind::Label, .name = "Label6", .caption = "Versione " VELTI_VERSION_MAJOR_TEXT, .left = 2280, .top = 960, .width = 1695, .height = 255, .tabIndex = 6, .font = arial, .alignment = Alignment::Centre, .transparent = true},
            {.kind = ControlKind::Label, .name = "Label1", .index = 1, .left = 120, .top = 1320, .width = 4485, .height = 315, .tabIndex = 3, .font = arial, .transparent = true},
            {.kind = ControlKind::Label, .name = "Label1", .index = 2, .left = 120, .top = 1560, .width = 4695, .height = 375, .tabIndex = 8, .font = arial, .transparent = true},
            {.kind = ControlKind::CommandButton, .name = "Command3", .caption = "&Memoria", .left = 3960, .top = 1800, .width = 825, .height = 345, .tabIndex = 9},
            {.kind = ControlKind::Label, .name = "Label1", .index = 3, .left = 120, .top = 2040, .width = 1515, .height = 255, .tabIndex = 2, .font = arial, .transparent = true},
            {.kind = ControlKind::CommandButton, .name = "Command2", .caption = "&Crediti", .left = 3960, .top = 2160, .width = 825, .height = 345, .tabIndex = 10},
            {.kind = ControlKind::Label, .name = "Label7", .caption = VELTI_COMPANY, .left = 120, .top = 2280, .width = 3495, .height = 375, .tabIndex = 7, .font = {.family = "Arial", .points = 15.75}, .foreColor = white, .transparent = true},
            {.kind = ControlKind::CommandButton, .name = "Command1", .caption = "OK", .left = 3960, .top = 2640, .width = 825, .height = 345, .tabIndex = 5},
            {.kind = ControlKind::Label, .name = "Label5", .caption = "\u00a9 2026 " VELTI_COMPANY ". Tutti i diritti riservati.", .left = 120, .top = 2760, .width = 3645, .height = 255, .tabIndex = 4, .font = arial, .foreColor = white, .alignment = Alignment::Centre, .transparent = true},
            {.kind = ControlKind::Label, .name = "Label3", .caption = "Label2", .left = 810, .top = 3180, .width = 3975, .height = 255, .tabIndex = 11, .field = true},
            {.kind = ControlKind::Image, .name = "Image2", .left = 120, .top = 3300, .width = 480, .height = 480, .picture = ":/velti/chip.ico"},
            {.kind = ControlKind::Label, .name = "Label4", .caption = "Label4", .left = 810, .top = 3420, .width = 3975, .height = 255, .tabIndex = 12, .field = true},
            {.kind = ControlKind::Label, .name = "Label8", .caption = "Label3", .left = 810, .top = 3660, .width = 3975, .height = 255, .tabIndex = 13, .field = true},
            {.kind = ControlKind::Timer, .name = "Timer1", .interval = 1},
        },
    };
    // clang-format on
    return description;
}

} // namespace velti
