// What assistive technology is told of the windows.
#pragma once

#include <QLabel>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace velti::forms::accessibility {

// How long after a click's handler a person is told, and how long what is told stays to be read.
inline constexpr int kNoticeDelayMs = 100;
inline constexpr int kNoticeShownMs = 1500;

// Where a window says what an action changed, to assistive technology alone: it has no size and
// draws nothing. Its one label holds the words, and it is hidden after a while.
class NoticeControl final : public QWidget {
    Q_OBJECT
public:
    explicit NoticeControl(QWidget* parent);
    QLabel* const words;
    QTimer shown;
};

// What a person could see of a window before a click's handler ran.
struct Seen {
    QPointer<QWidget> focus;
    QString focusCaption;
    QString status;
    QList<QPointer<QWidget>> hidden;
};
Seen look(QWidget* window);

// Called once a click's handler has ended: the time and the state in the status bar, a button
// renamed under the focus, controls that came into sight. A person hears the change once, after
// what the focus says, in the words the window now shows.
void tell(QWidget* window, const Seen& before);

// A hidden control has come into sight: it joins the window's tree, the same object it was.
void joinedTheTree(QWidget* control);

// Installs the interfaces of the layer's controls and the filter of what is told.
void install();

} // namespace velti::forms::accessibility
