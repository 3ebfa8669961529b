// Every caption of both windows shows whole in a face other than the designed one (the suite runs
// with DejaVu Sans, DejaVu Serif and DejaVu Sans Mono alone): each label's text, laid out as the
// label lays it out in the font it is drawn with, lies inside its box and clear of every other
// label's text, and each button's caption inside its frame.
#include "tests/support/harness.h"

#include <QTest>

using namespace velti;
using velti::test::Harness;

namespace {

QRect textRect(const QLabel& label, const QFont& font) {
    const int flags = int(label.alignment()) | (label.wordWrap() ? Qt::TextWordWrap : 0);
    return QFontMetrics(font).boundingRect(label.contentsRect(), flags, label.text());
}

void checkCaptions(QWidget* window) {
    QList<QPair<QString, QRect>> drawn;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        // The notice of what an action changed is for assistive technology only, drawn nowhere.
        if (label->text().isEmpty() || qobject_cast<forms::NoticeControl*>(label->parent()))
            continue;
        const QString name = label->objectName() + u' ' + label->text();
        auto* caption = qobject_cast<forms::CaptionLabel*>(label);
        QVERIFY2(caption != nullptr, qPrintable(name));
        const QFont font = caption->fittedFont();
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
    for (auto* button : window->findChildren<forms::ButtonControl*>()) {
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
        QVERIFY2(button->rect().adjusted(3, 2, -3, -2).contains(ink), qPrintable(caption));
    }
}

} // namespace

class TestCaptions : public QObject {
    Q_OBJECT

    std::unique_ptr<Harness> h;

private slots:
    void initTestCase() {
        test::initialiseLayer();
        QCOMPARE(QFontInfo(QApplication::font()).family(), qEnvironmentVariable("VELTI_FACE"));
    }
    void init() {
        h = std::make_unique<Harness>(test::quietTimers);
        h->startUp();
    }
    void cleanup() { h.reset(); }

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
    }

    void about() {
        h->memory.status = {8'254'132'224, 3'120'562'176, 140'737'488'355'328};
        h->withAbout([&](Form3& about) {
            Harness::tick(about, 40);
            checkCaptions(about.window()); // typing
            Harness::tick(about, 90);
            checkCaptions(about.window()); // typed
            Harness::altKey(about, Qt::Key_M);
            checkCaptions(about.window());
        });
    }
};

QTEST_MAIN(TestCaptions)
#include "tst_captions.moc"
