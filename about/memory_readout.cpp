// The memory panel, rewritten on every tick, whether or not it is showing.
#include "form3.h"

#include "../app/application.h"
#include "../app/platform/number_format.h"

#include <QLocale>

#include <utility>

namespace velti {

namespace {

// One line of the panel, kept with the figure and the locale it was made from. The figures seldom
// change from one tick to the next, and then the same text is handed out again, shared, with
// nothing formatted or allocated.
class PanelLine {
public:
    explicit PanelLine(QString prefix) : prefix_(std::move(prefix)) {}

    const QString& text(std::uint64_t figure) {
        const QLocale locale;
        if (made_ && figure == figure_ && locale == locale_)
            return text_;
        text_ = prefix_ + formatNumber(figure, u"###,###,###", locale) + QStringLiteral(" bytes");
        figure_ = figure;
        locale_ = locale;
        made_ = true;
        return text_;
    }

private:
    QString prefix_;
    bool made_ = false;
    std::uint64_t figure_ = 0;
    QLocale locale_;
    QString text_;
};

} // namespace

void Form3::showMemoryStatus() {
    static PanelLine virtualLine(QStringLiteral(" Memoria virtuale disponibile: "));
    static PanelLine totalLine(QStringLiteral(" Memoria fisica totale:  "));
    static PanelLine availableLine(QStringLiteral(" Memoria fisica disponibile:  "));
    const MemoryStatus status = application_.services().memory.query();
    Label8.setCaption(virtualLine.text(status.availableVirtual));
    Label3.setCaption(totalLine.text(status.totalPhysical));
    Label4.setCaption(availableLine.text(status.availablePhysical));
}

} // namespace velti
