// The notice typed one character per tick into the three line labels; each finished line turns
// white.
#include "about/form3.h"

#include "core/runtime_error.h"

#include <QColor>

namespace velti {

namespace {
// Ends each line; never shown.
constexpr char16_t lineEnd = u'\u00a7';
} // namespace

void Form3::Form_Load() {
    Stringa = QStringLiteral(
        u"Questo programma \u00e8 gratuito: \u00e8 lecito copiarlo e diffonderlo.\u00a7");
    Stringa = Stringa +
              QStringLiteral(
                  u"Non \u00e8 data alcuna garanzia sul suo funzionamento.\u00a7Creato da\u00a7");
    Indice = 1;
    Sc = 0;
}

void Form3::typeNextCharacter() {
    Sc = checkedAdd(Sc, 1);
    if (Sc > Stringa.size()) {
        // Typing is over: stay just past the end.
        Sc = checkedInt16(Stringa.size() + 1);
        return;
    }
    const QChar character = Stringa.at(Sc - 1);
    if (character != lineEnd) {
        forms::Label line = Label1.item(Indice);
        line.setCaption(line.caption() + character);
    } else {
        Label1.item(Indice).setForeColor(qRgb(255, 255, 255));
        Indice = checkedAdd(Indice, 1);
    }
}

} // namespace velti
