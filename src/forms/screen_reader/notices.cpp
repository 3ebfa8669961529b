// What an action changed, told to assistive technology once its handler has ended.
#include "forms/screen_reader/notices.h"

#include "forms/windows/dispatch.h"
#include "forms/windows/widgets.h"

#include <QAccessible>
#include <QPushButton>
#include <QStringList>

namespace velti::forms::accessibility {

namespace {

FrameWidget* statusBar(const QWidget* window) {
    for (auto* frame : window->findChildren<FrameWidget*>()) {
        if (frame->statusBar)
            return frame;
    }
    return nullptr;
}

// What a control says when told: a label its text, a button its caption, a status bar its labels
// one after the other (the time, then the state).
QString spoken(const QWidget* control) {
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text().trimmed();
    if (const auto* button = qobject_cast<const QPushButton*>(control))
        return withoutMarkers(button->text());
    QStringList texts;
    for (const QLabel* label : control->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!label->text().isEmpty())
            texts << label->text();
    }
    return texts.join(u' ');
}

} // namespace

NoticeWidget::NoticeWidget(QWidget* parent) : QWidget(parent), words(new QLabel(this)) {
    setFocusPolicy(Qt::NoFocus);
    setGeometry(0, 0, 0, 0);
    words->setGeometry(0, 0, 0, 0);
    hiding.setSingleShot(true);
    connect(&hiding, &QTimer::timeout, this, &QWidget::hide);
}

Seen look(QWidget* window) {
    Seen seen;
    seen.focus = window->focusWidget();
    seen.focusCaption = seen.focus ? spoken(seen.focus) : QString();
    const FrameWidget* bar = statusBar(window);
    seen.status = bar != nullptr ? spoken(bar) : QString();
    for (auto* control : window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!control->isWindow() && control->isHidden() &&
            qobject_cast<NoticeWidget*>(control) == nullptr)
            seen.hidden << control;
    }
    return seen;
}

void tell(QWidget* window, const Seen& before) {
    if (window == nullptr || !window->isVisible())
        return;
    // What to say, in the order said: the status bar once when the time or the state changed or
    // the click moved the focus on, then whatever else changed. Each action's own words are taken
    // now, so that a second action a moment later cannot change them; only the time is read when
    // they are said, once a timer the handler started has ticked, so that it is the live one.
    QPointer<QLabel> time;
    QStringList said;
    QWidget* focus = window->focusWidget();
    FrameWidget* bar = statusBar(window);
    if (bar != nullptr && (spoken(bar) != before.status || focus != before.focus)) {
        const QList<QLabel*> labels = bar->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
        time = labels.value(0);
        for (const QLabel* label : labels.mid(1))
            said << label->text();
    }
    // A button renamed under the focus: Qt 6.4 tells the reader of no name change. One that the
    // focus moved to is heard by its new name already.
    if (focus != nullptr && focus == before.focus && spoken(focus) != before.focusCaption)
        said << QStringLiteral("pulsante ") + spoken(focus);
    for (const QPointer<QWidget>& control : before.hidden) {
        if (control && control->isVisible() && !spoken(control).isEmpty())
            said << spoken(control);
    }
    if (said.isEmpty())
        return;
    // In a status bar a reader says the words alone, without calling them a notification. In a
    // dialog it would read the whole dialog before them, so a window without a status bar of its
    // own tells through its owner's; failing that it gets a bar of no size, out of its tree.
    QWidget* owner = window->parentWidget() != nullptr ? window->parentWidget()->window() : nullptr;
    if (bar == nullptr && owner != nullptr && owner->isVisible())
        bar = statusBar(owner);
    if (bar == nullptr) {
        bar = new FrameWidget(window);
        bar->statusBar = true;
        bar->setGeometry(0, 0, 0, 0);
        bar->show();
    }
    auto* notice = bar->findChild<NoticeWidget*>(QString(), Qt::FindDirectChildrenOnly);
    if (notice == nullptr) {
        notice = new NoticeWidget(bar);
        notice->hide();
    }
    // A moment later: the focus, moved by the handler or by the buttons it held, is heard first.
    // The notice is taken away once told, so that a later review of the window never reads an old
    // time from it.
    QTimer::singleShot(kNoticeDelayMs, notice, [notice, time, said] {
        notice->words->setText((time ? time->text() + u' ' : QString()) +
                               said.join(QStringLiteral(", ")));
        notice->hide();
        notice->show();
        notice->hiding.start(kNoticeShownMs);
    });
}

void joinedTheTree(QWidget* control) {
    QAccessibleEvent joined(control, QAccessible::ObjectCreated);
    QAccessible::updateAccessibility(&joined);
}

// A plain walk over the caption: a regular expression would load its engine for this alone.
QString withoutMarkers(QString caption) {
    qsizetype kept = 0;
    for (qsizetype at = 0; at < caption.size(); ++at) {
        if (caption[at] == u'&' && at + 1 < caption.size())
            ++at;
        caption[kept++] = caption[at];
    }
    caption.truncate(kept);
    return caption;
}

void tellWhatClicksChange() {
    setTelling({
        .click = [](QWidget* window) -> std::function<void()> {
            return [window, before = look(window)] { tell(window, before); };
        },
        .cameIntoSight = &joinedTheTree,
    });
}

} // namespace velti::forms::accessibility
