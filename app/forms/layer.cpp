#include "layer.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTranslator>

namespace velti::forms {

void initialise(QApplication& application) {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        application.setStyle(style);
    // The designed fonts are Windows faces; Liberation Sans has Arial's metrics.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    application.setQuitOnLastWindowClosed(false);

    static QTranslator translator;
    if (translator.load(QStringLiteral("qtbase_it"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&translator);
}

} // namespace velti::forms
