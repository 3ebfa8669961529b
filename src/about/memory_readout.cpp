// The memory panel, rewritten on every tick, whether or not it is showing.
#include "about/form3.h"

#include "core/number_format.h"

namespace velti {

namespace {

QString panelLine(const char16_t* prefix, std::uint64_t figure, const QLocale& locale) {
    return QString::fromUtf16(prefix) + formatNumber(figure, u"###,###,###", locale) +
           QStringLiteral(" bytes");
}

} // namespace

// The figures mostly stay as they were from one tick to the next (the total always does): a line is
// written out again only when its figure or the locale has changed. Every caption is still set on
// every tick.
void Form3::showMemoryStatus() {
    const MemoryStatus status = services_.memory.query();
    const QLocale locale;
    const bool sameLocale = locale == panelLocale_;
    panelLocale_ = locale;
    const auto line = [&](PanelLine& shown, const char16_t* prefix,
                          std::uint64_t figure) -> const QString& {
        if (shown.caption.isNull() || !sameLocale || figure != shown.figure) {
            shown.figure = figure;
            shown.caption = panelLine(prefix, figure, locale);
        }
        return shown.caption;
    };
    Label8.setCaption(
        line(panelLines_[0], u" Memoria virtuale disponibile: ", status.availableVirtual));
    Label3.setCaption(line(panelLines_[1], u" Memoria fisica totale:  ", status.totalPhysical));
    Label4.setCaption(
        line(panelLines_[2], u" Memoria fisica disponibile:  ", status.availablePhysical));
}

} // namespace velti
