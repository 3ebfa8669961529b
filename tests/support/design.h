// The two windows as designed, read from tests/support/design.json: the one statement of the
// states, buttons and steps that the suites (and the desktop check) hold the program to.
#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace velti::test {

struct DesignedState {
    QString name;
    QString status;
    bool timer = false;
    int height = 0;
    QStringList enabled;
    QMap<QString, QString> captions; // every button's caption in this state
};

// A press of a button (or the window's loading) from a state: where it leads, where it leaves the
// focus, and its steps in order.
struct DesignedPress {
    QStringList from;
    QString press;
    QString to; // empty: the state stays
    QString focus;
    QStringList steps;
};

struct DesignedWindow {
    int height = 0;
    QStringList tabOrder; // the buttons' names in their designed tab order
    QMap<QString, QString> captions;
    QList<DesignedState> states;
    QList<DesignedPress> presses;

    const DesignedState& state(const QString& name) const;
    // The press of that button from that state, or nullptr when the design has none.
    const DesignedPress* press(const QString& from, const QString& button) const;
};

const DesignedWindow& designedStopwatch();
const DesignedWindow& designedAbout();

} // namespace velti::test
