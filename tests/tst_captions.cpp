// Every caption of both windows shows whole, in the designed face, on a screen scaled twice over
// and in faces other than the designed one (DejaVu Sans, DejaVu Serif and DejaVu Sans Mono
// alone): each label's text, laid out as the label lays it out in the font it is drawn with, lies
// inside its box and clear of every other label's text, each button's caption inside its frame,
// and a caption too long for its box is drawn at the largest size that fits, never elided.
#include "tests/support/harness.h"

#include <QImage>
#include <QLocale>
#include <QTest>

using namespace velti;
using velti::test::Harness;

namespace {

QRect textRect(const QLabel& label, const QFont& font) {
    const int flags = int(label.alignment()) | (label.wordWrap() ? Qt::TextWordWrap : 0);
    return QFontMetrics(font).boundingRect(label.contentsRect(), flags, label.text());
}

// The bounds of the caption's ink inside the label's border, in device pixels.
QRect inkBounds(const QImage& image, QRect inside, QRgb background) {
    QRect ink;
    for (int y = inside.top(); y <= inside.bottom(); ++y) {
        for (int x = inside.left(); x <= inside.right(); ++x) {
            if (qAbs(qGray(image.pixel(x, y)) - qGray(background)) > 60)
                ink |= QRect(x, y, 1, 1);
        }
    }
    return ink;
}

// In the designed face every caption shows at its designed size, but for the fields named.
void checkCaptions(QWidget* window, const QStringList& mayShrink = {}) {
    const bool designedFace = !qEnvironmentVariableIsSet("VELTI_FACE");
    QList<QPair<QString, QRect>> drawn;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        // The notice of what an action changed is for assistive technology only, drawn nowhere.
        if (label->text().isEmpty() ||
            qobject_cast<forms::accessibility::NoticeWidget*>(label->parent()))
            continue;
        const QString name = label->objectName() + u' ' + label->text();
        auto* caption = qobject_cast<forms::LabelWidget*>(label);
        QVERIFY2(caption != nullptr, qPrintable(name));
        const QFont font = caption->fittedFont();
        if (designedFace && !mayShrink.contains(label->objectName()))
            QCOMPARE(font.pixelSize(), label->font().pixelSize());
        const QRect text = textRect(*label, font);
        QVERIFY2(label->contentsRect().contains(text),
                 qPrintable(u"%1 at %2 px"_qs.arg(name).arg(font.pixelSize())));
        // The largest size that fits: a wrapped caption one pixel larger would not.
        if (label->wordWrap() && font.pixelSize() < label->font().pixelSize()) {
            QFont larger = font;
            larger.setPixelSize(font.pixelSize() + 1);
            QVERIFY2(!label->contentsRect().contains(textRect(*label, larger)), qPrintable(name));
        }
        const QRect inWindow(label->mapTo(window, text.topLeft()), text.size());
        for (const auto& [other, rect] : drawn)
            QVERIFY2(!rect.intersects(inWindow), qPrintable(name + u" runs into "_qs + other));
        drawn.append({name, inWindow});
    }
    QVERIFY(drawn.size() >= 2);
    // A button's caption, as drawn: its ink (what the bare button lacks) stays off the frame.
    for (auto* button : window->findChildren<forms::ButtonWidget*>()) {
        const QString caption = button->text();
        if (caption.isEmpty())
            continue;
        const QImage image = button->grab().toImage();
        button->setText({});
        const QImage bare = button->grab().toImage();
        button->setText(caption);
        QRect ink;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                ink |= image.pixel(x, y) == bare.pixel(x, y) ? QRect() : QRect(x, y, 1, 1);
        // In device pixels: on a scaled screen the grab has more of them than the button has.
        const qreal ratio = image.devicePixelRatio();
        const QRect frame = button->rect().adjusted(3, 2, -3, -2);
        QVERIFY2(QRect(frame.topLeft() * ratio, frame.size() * ratio).contains(ink),
                 qPrintable(caption));
    }
}

} // namespace

class TestCaptions : public test::StartedSuite {
    Q_OBJECT

private slots:
    void initTestCase() {
        if (qEnvironmentVariableIsSet("VELTI_FACE"))
            QCOMPARE(QFontInfo(QApplication::font()).family(), qEnvironmentVariable("VELTI_FACE"));
    }

    void stopwatch() {
        Form1& form = h->app.form1();
        checkCaptions(form.window());
        Harness::altKey(form, Qt::Key_V);
        h->clock.advance(100 * 3600);
        Harness::tick(form);
        QCOMPARE(Harness::label(form, "Label1")->text(), QStringLiteral("100:00:00"));
        checkCaptions(form.window());
        for (Qt::Key key : {Qt::Key_P, Qt::Key_R, Qt::Key_I}) { // paused, counting, reading
            Harness::altKey(form, key);
            checkCaptions(form.window());
        }
        // The longest caption a button takes, in the designed face, with room to spare.
        if (!qEnvironmentVariableIsSet("VELTI_FACE"))
            QVERIFY(QFontMetrics(Harness::button(form, "Command3")->font())
                        .horizontalAdvance(u"Riprendi"_qs) < 57 - 8);
    }

    void about() {
        h->memory.status = {8'254'132'224, 3'120'562'176, 140'737'488'355'328};
        const QStringList memoryLines{u"Label3"_qs, u"Label4"_qs, u"Label8"_qs};
        h->withAbout([&](Form3& about) {
            Harness::tick(about, 40);
            checkCaptions(about.window(), memoryLines); // typing
            Harness::tick(about, 90);
            checkCaptions(about.window(), memoryLines); // typed
            Harness::altKey(about, Qt::Key_M);
            checkCaptions(about.window(), memoryLines);
        });
    }

    void memoryLinesShowWhole_data() {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<quint64>("figure");
        const quint64 figures[] = {0ULL, 4'294'967'295ULL, 140'737'094'066'176ULL,
                                   18'446'744'073'709'551'615ULL};
        for (const QString& locale : {u"it_IT"_qs, u"en_US"_qs, u"fr_FR"_qs}) {
            for (quint64 figure : figures)
                QTest::addRow("%s %llu", qPrintable(locale),
                              static_cast<unsigned long long>(figure))
                    << locale << figure;
        }
    }

    // In the designed face, at scale 1 and 2. (In a monospaced face the largest figures do not
    // fit even at the smallest size a caption is drawn at.)
    void memoryLinesShowWhole() {
        if (qEnvironmentVariableIsSet("VELTI_FACE"))
            QSKIP("the designed face only");
        QFETCH(QString, locale);
        QFETCH(quint64, figure);
        QLocale::setDefault(QLocale(locale));
        h->memory.status = {figure, figure, figure};
        h->withAbout([&](Form3& about) {
            Harness::click(about, "Command3");
            Harness::tick(about);
            QCOMPARE(QLocale().name(), locale);
            for (const char* name : {"Label3", "Label4", "Label8"}) {
                auto* field = qobject_cast<forms::LabelWidget*>(Harness::control(about, name));
                QVERIFY(field != nullptr);
                const QString caption = field->text();
                QVERIFY2(caption.endsWith(u" bytes"_qs), qPrintable(caption));
                if (figure == 18'446'744'073'709'551'615ULL) {
                    const QString group = QLocale().groupSeparator();
                    QVERIFY(
                        caption.contains(QStringList{u"18"_qs, u"446"_qs, u"744"_qs}.join(group)));
                }
                const QFont fitted = field->fittedFont();
                QVERIFY(fitted.pixelSize() >= forms::kCaptionMinimumPx);
                QVERIFY(fitted.pixelSize() <= field->font().pixelSize());
                // Up to the 32-bit top the figures keep the designed size.
                if (figure <= 4'294'967'295ULL)
                    QCOMPARE(fitted.pixelSize(), field->font().pixelSize());
                const int room = field->contentsRect().width();
                QVERIFY2(QFontMetrics(fitted).horizontalAdvance(caption) <= room,
                         qPrintable(caption));
                // The largest size that fits: one pixel more would not, once the few pixels a
                // framed label keeps clear at each end are left out.
                if (fitted.pixelSize() < field->font().pixelSize()) {
                    QFont larger = fitted;
                    larger.setPixelSize(fitted.pixelSize() + 1);
                    QVERIFY(QFontMetrics(larger).horizontalAdvance(caption) > room - 8);
                }
                // What is drawn: the ink ends before the right border, with room to spare, so
                // nothing runs under it.
                const QImage image = field->grab().toImage();
                const qreal ratio = image.devicePixelRatio();
                const QRect inside(field->contentsRect().topLeft() * ratio,
                                   field->contentsRect().size() * ratio);
                const QRgb background = field->palette().color(QPalette::Window).rgb();
                const int ink = inkBounds(image, inside, background).right();
                QVERIFY2(ink > inside.left(), "the caption was not drawn");
                QVERIFY2(ink < inside.right() - qRound(ratio),
                         qPrintable(u"%1 at %2 px"_qs.arg(caption).arg(fitted.pixelSize())));
                // Nor down to the border below, which the next field's is drawn over: the
                // descenders keep a row clear of it.
                QVERIFY(inkBounds(image, inside, background).bottom() < inside.bottom());
            }
        });
    }
};

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
