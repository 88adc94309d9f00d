#include "engine/hidden_output.h"

#include <signal.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <atomic>
#include <cerrno>

#include "components/component_error.h"
#include "engine/output_path.h"
#include "outside/files/no_replace_link.h"

namespace {

const QString kMark = QStringLiteral(".quorvel-");

bool ProcessGone(qint64 pid) {
    return pid > 0 && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

}  // namespace

QString NewHiddenOutputPath(const QString& outputDir, const QString& extension) {
    static std::atomic<unsigned> counter{0};
    return outputDir + kMark +
           QStringLiteral("%1-%2-%3")
               .arg(::getpid())
               .arg(counter++)
               .arg(QRandomGenerator::global()->generate() & 0xffffff, 6, 16, QLatin1Char('0')) +
           extension;
}

void RemoveStaleOutputs(const QString& outputDir) {
    // ".quorvel-PID-…" is ours; the writer's own temporary file puts one more dot before it.
    static const QRegularExpression pattern(QStringLiteral("^\\.?\\.quorvel-(\\d+)-"));
    const QDir dir(outputDir);
    const QStringList names =
        dir.entryList({QStringLiteral(".quorvel-*"), QStringLiteral("..quorvel-*")},
                      QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        const QRegularExpressionMatch m = pattern.match(name);
        if (m.hasMatch() && ProcessGone(m.captured(1).toLongLong())) {
            QFile::remove(dir.filePath(name));
        }
    }
}

QString NameFinishedOutput(const QString& hiddenPath, const QString& outputDir,
                           const QString& caption, const QString& inputPath,
                           const QString& extension, const QString& prefix) {
    QString error;
    const QString name = ChooseOutputName(
        outputDir, caption, inputPath, extension, prefix, [&](const QString& candidate) {
            switch (LinkNoReplace(hiddenPath, candidate, &error)) {
                case LinkResult::Done:
                    return NameClaim::Claimed;
                case LinkResult::Taken:
                    return NameClaim::Taken;
                case LinkResult::Failed:
                    break;
            }
            throw ComponentError(QStringLiteral("Cannot create %1: %2").arg(candidate, error));
        });
    return name;
}
