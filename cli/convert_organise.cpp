#include "cli/convert_organise.h"

#include <cstdio>

#include <QFile>

#include "filelist/name_pattern.h"
#include "platform/native_name.h"
#include "settings/settings_file.h"

OrganiseParse ParseOrganiseOption(const QStringList& args, int& i, OrganiseOptions& o,
                                  QString& error) {
    const QString& a = args[i];
    const bool hasValue = i + 1 < args.size();
    if (a == QLatin1String("--mirror")) {
        o.mirror = true;
    } else if (a == QLatin1String("--beside")) {
        o.beside = true;
    } else if (a == QLatin1String("--recursive")) {
        o.recursive = true;
    } else if (a == QLatin1String("--pattern")) {
        if (!hasValue) {
            error = QStringLiteral(
                "--pattern needs a text such as '{artist}/{album}/{track} - {title}'");
            return OrganiseParse::Error;
        }
        o.pattern = args[++i].trimmed();
        if (QString bad = UnknownPatternFieldsMessage(*o.pattern); !bad.isEmpty()) {
            error = bad;
            return OrganiseParse::Error;
        }
    } else if (a == QLatin1String("--existing")) {
        const QString v = hasValue ? args[++i].toLower() : QString();
        if (v == QLatin1String("number")) {
            o.existing = ExistingOutput::Number;
        } else if (v == QLatin1String("skip")) {
            o.existing = ExistingOutput::Skip;
        } else if (v == QLatin1String("update")) {
            o.existing = ExistingOutput::Update;
        } else {
            error = QStringLiteral("--existing needs number, skip or update");
            return OrganiseParse::Error;
        }
    } else if (a == QLatin1String("--from")) {
        if (!hasValue || args[i + 1].isEmpty()) {
            error = QStringLiteral("--from needs a file of paths, or - for standard input");
            return OrganiseParse::Error;
        }
        o.from = args[++i];
    } else {
        return OrganiseParse::NotMine;
    }
    return OrganiseParse::Taken;
}

QString ReadInputList(const QString& from, QStringList& inputs) {
    QFile file;
    const bool standardInput = from == QLatin1String("-");
    const bool opened = standardInput ? file.open(stdin, QIODevice::ReadOnly)
                                      : (file.setFileName(from), file.open(QIODevice::ReadOnly));
    const QString name = standardInput ? QStringLiteral("standard input") : from;
    if (!opened) {
        return QStringLiteral("cannot read the list %1: %2").arg(name, file.errorString());
    }
    // Line by line: a list piped from find or a job scheduler may be long.
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        while (line.endsWith('\n') || line.endsWith('\r')) {
            line.chop(1);
        }
        if (!line.trimmed().isEmpty()) {
            inputs << NameFromNative(line);
        }
    }
    if (file.error() != QFileDevice::NoError) {
        return QStringLiteral("cannot read the list %1: %2").arg(name, file.errorString());
    }
    return {};
}

OutputNaming NamingForRun(const OrganiseOptions& o, const SettingsFile& file) {
    OutputNaming n = ReadOutputNaming(file);
    if (o.pattern) {
        n.pattern = *o.pattern;
    }
    if (o.existing) {
        n.existing = *o.existing;
    }
    n.mirror = n.mirror || o.mirror;
    return n;
}
