#pragma once

#include <QLocale>
#include <QStringList>

// The folders the program's catalogues are looked for in, in order: translations/ beside the
// executable (the build tree), then the installed share/quorvel/translations.
QStringList TranslationFolders();

// Installs the program's catalogue for the locale's languages from the first folder that has one,
// and Qt's own (standard buttons, file dialogs) where the system has it. English needs none:
// returns false and installs nothing when no catalogue of ours matches.
bool InstallTranslations(const QLocale& locale, const QStringList& folders);
