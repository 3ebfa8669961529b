// A modal message box: prompt, style and title.
#pragma once

#include <QString>

class QWidget;

namespace velti {

namespace msgbox {
// Styles, added together: the buttons in the low bits, the icon in the next ones.
inline constexpr int OkOnly = 0;
inline constexpr int Critical = 16;
inline constexpr int Question = 32;
inline constexpr int Exclamation = 48;
inline constexpr int Information = 64;
} // namespace msgbox

class MsgBox {
public:
    virtual ~MsgBox() = default;
    // Shows the box in front of its owner, the window it speaks for, and returns once the user
    // has dismissed it; events go on being delivered meanwhile. Returns the button pressed (1 for
    // OK). When the box closes, the desktop hands the keyboard back to the owner.
    virtual int show(const QString& prompt, int style, const QString& title, QWidget* owner) = 0;
};

class SystemMsgBox final : public MsgBox {
public:
    int show(const QString& prompt, int style, const QString& title, QWidget* owner) override;
};

} // namespace velti
