// The stopwatch window as designed, in twips.
#include "stopwatch/form1.h"

#include "core/version.h"

namespace velti {

using namespace forms;

const FormDescription& form1Description() {
    static const FontSpec dialogFont{.family = "MS Sans Serif", .points = 8.25};
    // The design reads as a table, one control a row.
    // clang-format off
    static const FormDescription description{
        .name = "Form1",
        .caption = VELTI_NAME,
        .clientWidth = 3960,
        .clientHeight = 2625,
        .icon = ":/velti/stopwatch.ico",
        .font = dialogFont,
        .controls = {
            {.kind = ControlKind::CommandButton, .name = "Command1", .caption = "&Via", .left = 120, .top = 1680, .width = 855, .height = 375, .tabIndex = 0},
            {.kind = ControlKind::CommandButton, .name = "Command2", .caption = "&Stop", .left = 1080, .top = 1680, .width = 855, .height = 375, .tabIndex = 1},
            {.kind = ControlKind::CommandButton, .name = "Command3", .caption = "&Pausa", .left = 2040, .top = 1680, .width = 855, .height = 375, .tabIndex = 2},
            {.kind = ControlKind::Frame, .name = "Frame1", .left = 120, .top = 0, .width = 3735, .height = 1575, .tabIndex = 3, .statusBar = true},
            {.kind = ControlKind::Label, .name = "Label1", .container = "Frame1", .caption = "00:00:00", .left = 240, .top = 360, .width = 3255, .height = 615, .tabIndex = 4, .font = {.family = "MS Sans Serif", .points = 24, .bold = true}, .alignment = Alignment::Centre},
            {.kind = ControlKind::Label, .name = "Label2", .container = "Frame1", .caption = "Inattivo", .left = 1200, .top = 1200, .width = 1455, .height = 255, .tabIndex = 5, .font = {.family = "MS Sans Serif", .points = 9.75}, .alignment = Alignment::Centre},
            {.kind = ControlKind::CommandButton, .name = "Command4", .caption = "R&ileva", .left = 3000, .top = 1680, .width = 855, .height = 375, .tabIndex = 6, .describedCaption = "OK", .description = "Termina il rilevamento."},
            {.kind = ControlKind::CommandButton, .name = "Command5", .caption = "&Azzera", .left = 120, .top = 2160, .width = 3255, .height = 375, .tabIndex = 7},
            {.kind = ControlKind::CommandButton, .name = "Command6", .left = 3480, .top = 2160, .width = 375, .height = 375, .tabIndex = 8, .picture = ":/velti/info.ico", .toolTip = "Informazioni su..."},
            {.kind = ControlKind::Timer, .name = "Timer1", .interval = 1},
        },
    };
    // clang-format on
    return description;
}

} // namespace velti
