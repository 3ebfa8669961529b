// What an action changed, told to assistive technology: a person hears it once, after the
// handler has ended, from the window's status bar.
#pragma once

#include <QLabel>
#include <QList>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace velti::forms::accessibility {

// How long after a click's handler a person is told, and how long what is told stays to be read.
inline constexpr int kNoticeDelayMs = 100;
inline constexpr int kNoticeShownMs = 1500;

// Where a window says what an action changed, to assistive technology alone: it has no size and
// draws nothing. Its one label holds the words, and it is hidden after a while.
class NoticeWidget final : public QWidget {
    Q_OBJECT
public:
    explicit NoticeWidget(QWidget* parent);
    QLabel* const words;
    QTimer hiding; // hides it once it has been there to be read
};

// What a person could see of a window before a click's handler ran.
struct Seen {
    QPointer<QWidget> focus;
    QString focusCaption, status;
    QList<QPointer<QWidget>> hidden;
};
Seen look(QWidget* window);
// Once a click's handler has ended, a person hears once what it changed: the time and the state,
// a button renamed under the focus, controls that came into sight.
void tell(QWidget* window, const Seen& before);
// A hidden control has come into sight: it joins the window's tree, the same object it was.
void joinedTheTree(QWidget* control);
// From now on a person hears what each click changed, and a control that comes into sight joins
// the tree.
void tellWhatClicksChange();
// A caption without its access-key markers; "&&" stands for one "&".
QString withoutMarkers(QString caption);

} // namespace velti::forms::accessibility
