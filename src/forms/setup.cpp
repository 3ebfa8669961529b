// The application's set-up, made once before the first window.
#include "forms/setup.h"

#include "forms/desktop/desktop_watch.h"
#include "forms/desktop/keys.h"
#include "forms/screen_reader/interfaces.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTranslator>

namespace velti::forms {

void initialise(QApplication& application) {
    if (QStyle* style = QStyleFactory::create(QStringLiteral("Fusion")))
        application.setStyle(style);
#ifdef Q_OS_LINUX
    // The designed fonts are Windows faces; Liberation Sans has Arial's metrics. Windows has
    // the faces themselves.
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
#endif
    watchTheDesktop(application, installKeys(application));
    accessibility::install();

    // Owned by the application object, it lasts as long as the application does.
    auto* translator = new QTranslator(&application);
#ifdef Q_OS_WIN
    // The installer puts Qt's Italian beside the program.
    const QString translations = QCoreApplication::applicationDirPath();
#else
    const QString translations = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
#endif
    if (translator->load(QStringLiteral("qtbase_it"), translations))
        QApplication::installTranslator(translator);
}

} // namespace velti::forms
