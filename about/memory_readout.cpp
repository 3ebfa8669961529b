// The memory panel, rewritten on every tick, whether or not it is showing.
#include "form3.h"

#include "../app/application.h"
#include "../app/platform/number_format.h"

namespace velti {

void Form3::showMemoryStatus() {
    const MemoryStatus status = application_.services().memory.query();
    const QStringView pattern = u"###,###,###";
    const QString bytes = QStringLiteral(" bytes");
    Label8.setCaption(QStringLiteral(" Memoria virtuale disponibile: ") +
                      formatNumber(status.availableVirtual, pattern) + bytes);
    Label3.setCaption(QStringLiteral(" Memoria fisica totale:  ") +
                      formatNumber(status.totalPhysical, pattern) + bytes);
    Label4.setCaption(QStringLiteral(" Memoria fisica disponibile:  ") +
                      formatNumber(status.availablePhysical, pattern) + bytes);
}

} // namespace velti
