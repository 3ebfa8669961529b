// The memory panel, rewritten on every tick, whether or not it is showing.
#include "about/form3.h"

#include "core/number_format.h"

namespace velti {

namespace {

QString panelLine(const char16_t* prefix, std::uint64_t figure) {
    return QString::fromUtf16(prefix) + formatNumber(figure, u"###,###,###") +
           QStringLiteral(" bytes");
}

} // namespace

void Form3::showMemoryStatus() {
    const MemoryStatus status = services_.memory.query();
    Label8.setCaption(panelLine(u" Memoria virtuale disponibile: ", status.availableVirtual));
    Label3.setCaption(panelLine(u" Memoria fisica totale:  ", status.totalPhysical));
    Label4.setCaption(panelLine(u" Memoria fisica disponibile:  ", status.availablePhysical));
}

} // namespace velti
