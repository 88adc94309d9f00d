#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "settings/output_names_setting.h"

class SettingsFile;

// The convert command's flags for organising outputs and finding inputs. Unset flags leave the
// stored [Names] keys in force.
struct OrganiseOptions {
    std::optional<QString> pattern;          // --pattern TEXT ("" for the plain rule)
    std::optional<ExistingOutput> existing;  // --existing number|skip|update
    bool mirror = false;                     // --mirror
    bool recursive = false;                  // --recursive
    bool beside = false;                     // --beside: [Format] beside for this run
    QString from;                            // --from FILE, "-" for standard input
};

enum class OrganiseParse { NotMine, Taken, Error };
// Takes args[i] (and its value, moving i past it) when it is one of these flags; on Error,
// `error` holds the one-line usage message.
OrganiseParse ParseOrganiseOption(const QStringList& args, int& i, OrganiseOptions& o,
                                  QString& error);

// Appends the paths of the --from list (one a line; blank lines ignored) to inputs. An error
// text naming the list when it cannot be read, else empty.
QString ReadInputList(const QString& from, QStringList& inputs);

// The naming for this run: the stored keys with the flags given over them.
OutputNaming NamingForRun(const OrganiseOptions& o, const SettingsFile& file);
