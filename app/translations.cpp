#include "app/translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

QStringList TranslationFolders() {
    const QDir program(QCoreApplication::applicationDirPath());
    return {program.filePath(QStringLiteral("translations")),
            QDir::cleanPath(program.filePath(QStringLiteral(QUORVEL_TRANSLATIONS_FROM_PROGRAM)))};
}

bool InstallTranslations(const QLocale& locale, const QStringList& folders) {
    // Owned by the application, so they live as long as the texts they translate.
    auto* own = new QTranslator(QCoreApplication::instance());
    bool found = false;
    for (const QString& folder : folders) {
        if (own->load(locale, QStringLiteral("quorvel"), QStringLiteral("_"), folder)) {
            found = true;
            break;
        }
    }
    if (!found) {
        delete own;
        return false;  // English: Qt's texts stay English as well, so the window speaks one
                       // language
    }
    QCoreApplication::installTranslator(own);
    auto* qt = new QTranslator(QCoreApplication::instance());
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt);
    } else {
        delete qt;
    }
    return true;
}
