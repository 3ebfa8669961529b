// Buttons: the push button a window shows, and the handle its handlers hold of it.
#pragma once

#include "forms/caption.h"
#include "forms/control.h"

#include <QBasicTimer>
#include <QPushButton>

namespace velti::forms {

// A push button whose access key clicks it at once, when the key is pressed, as a mouse click
// does. The press shown afterwards is only a picture: the button is not held down, so nothing
// that arrives meanwhile can turn it into a second click. Its caption always shows whole, drawn
// smaller when the face would run it into the frame.
class ButtonControl final : public QPushButton {
    Q_OBJECT
public:
    using QPushButton::QPushButton;
    bool showsPress() const { return pressShown_.isActive(); }
    QFont fittedFont() const;

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    QBasicTimer pressShown_;
};

class CommandButton : public Control {
public:
    using Control::Control;
    // The caption with its "&" access-key markers.
    QString caption() const;
    void setCaption(const QString& caption);
    void setEnabled(bool enabled);
    // Fails on a button that is disabled or hidden.
    void setFocus();
};

} // namespace velti::forms
