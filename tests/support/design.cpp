#include "tests/support/design.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <stdexcept>

namespace velti::test {

namespace {

QStringList strings(const QJsonValue& value) {
    QStringList list;
    for (const QJsonValue& item : value.toArray())
        list << item.toString();
    return list;
}

DesignedWindow read(const char* window) {
    // Built into the suites as a resource, so they find it wherever they run (Wine included).
    QFile file(QStringLiteral(":/velti-tests/design.json"));
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("tests/support/design.json is not among the resources");
    const QJsonObject w = QJsonDocument::fromJson(file.readAll()).object()[window].toObject();
    DesignedWindow d;
    d.height = w["height"].toInt();
    for (const QJsonValue& b : w["tabOrder"].toArray()) {
        d.tabOrder << b[0].toString();
        d.captions[b[0].toString()] = b[1].toString();
    }
    const QJsonObject states = w["states"].toObject();
    for (auto it = states.begin(); it != states.end(); ++it) {
        const QJsonObject s = it.value().toObject();
        DesignedState state{it.key(),
                            s["status"].toString(),
                            s["timer"].toBool(),
                            s["height"].toInt(d.height),
                            strings(s["enabled"]),
                            d.captions};
        const QJsonObject captions = s["captions"].toObject();
        for (auto c = captions.begin(); c != captions.end(); ++c)
            state.captions[c.key()] = c.value().toString();
        d.states << state;
    }
    for (const QJsonValue& p : w["presses"].toArray())
        d.presses << DesignedPress{strings(p["from"]), p["press"].toString(), p["to"].toString(),
                                   p["focus"].toString(), strings(p["steps"])};
    if (d.tabOrder.isEmpty() || d.states.isEmpty())
        throw std::runtime_error("tests/support/design.json does not describe the window");
    return d;
}

} // namespace

const DesignedState& DesignedWindow::state(const QString& name) const {
    for (const DesignedState& s : states)
        if (s.name == name)
            return s;
    throw std::runtime_error("no designed state " + name.toStdString());
}

const DesignedPress* DesignedWindow::press(const QString& from, const QString& button) const {
    for (const DesignedPress& p : presses)
        if (p.press == button && p.from.contains(from))
            return &p;
    return nullptr;
}

const DesignedWindow& designedStopwatch() {
    static const DesignedWindow window = read("Form1");
    return window;
}

const DesignedWindow& designedAbout() {
    static const DesignedWindow window = read("Form3");
    return window;
}

} // namespace velti::test
