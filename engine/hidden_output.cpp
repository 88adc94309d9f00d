#include "engine/hidden_output.h"

#include <signal.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <atomic>
#include <cerrno>
#include <mutex>

#include "components/component_error.h"
#include "engine/output_path.h"
#include "engine/output_target.h"
#include "platform/native_name.h"
#include "platform/no_replace_link.h"
#include "platform/rename_over.h"

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

bool CopyToHiddenOutput(const QString& inputPath, const QString& hiddenPath,
                        const std::function<bool(int)>& keepGoing) {
    // Large enough that a copy costs little more than the disk, small enough that a stop is
    // heard at once.
    constexpr qint64 kBlockBytes = 1 << 20;
    QFile in;
    if (!OpenNative(in, inputPath, QIODevice::ReadOnly)) {
        throw ComponentError(QStringLiteral("Cannot open %1: %2").arg(inputPath, in.errorString()));
    }
    QFile out(hiddenPath);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        throw ComponentError(
            QStringLiteral("Cannot create %1: %2").arg(hiddenPath, out.errorString()));
    }
    const qint64 size = in.size();
    qint64 copied = 0;
    QByteArray block;
    while (true) {
        block = in.read(kBlockBytes);
        if (block.isEmpty()) {
            if (in.error() != QFileDevice::NoError) {
                throw ComponentError(
                    QStringLiteral("Cannot read %1: %2").arg(inputPath, in.errorString()));
            }
            break;
        }
        if (out.write(block) != block.size()) {
            throw ComponentError(
                QStringLiteral("Cannot write %1: %2").arg(hiddenPath, out.errorString()));
        }
        copied += block.size();
        const int done =
            size > 0 ? static_cast<int>(std::min<qint64>(copied, size) * 10000 / size) : 10000;
        if (!keepGoing(done)) {
            return false;
        }
    }
    out.close();
    if (out.error() != QFileDevice::NoError) {
        throw ComponentError(
            QStringLiteral("Cannot write %1: %2").arg(hiddenPath, out.errorString()));
    }
    // A file still being written, or cut, would be passed off as the whole input.
    if (copied != size || in.size() != size) {
        throw ComponentError(
            QStringLiteral("Cannot copy %1: it changed while it was copied").arg(inputPath));
    }
    return true;
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

namespace {

// Names promised to outputs of this process that are still being written.
std::mutex g_promisedMutex;
QSet<QString> g_promised;

}  // namespace

QString PromiseOutputName(const QString& outputDir, const QString& caption,
                          const QString& inputPath, const QString& extension,
                          const QString& prefix) {
    const std::lock_guard<std::mutex> lock(g_promisedMutex);
    const QString name = ChooseOutputName(
        outputDir, caption, inputPath, extension, prefix, [](const QString& candidate) {
            const bool taken = g_promised.contains(candidate) || NativeNameTaken(candidate);
            return taken ? NameClaim::Taken : NameClaim::Claimed;
        });
    g_promised.insert(name);
    return name;
}

void ReleaseOutputName(const QString& promised) {
    const std::lock_guard<std::mutex> lock(g_promisedMutex);
    g_promised.remove(promised);
}

QString NameFinishedOutput(const QString& hiddenPath, const QString& promised,
                           const QString& outputDir, const QString& caption,
                           const QString& inputPath, const QString& extension,
                           const QString& prefix) {
    QString error;
    auto link = [&](const QString& candidate) {
        switch (LinkNoReplace(hiddenPath, candidate, &error)) {
            case LinkResult::Done:
                return NameClaim::Claimed;
            case LinkResult::Taken:
                return NameClaim::Taken;
            case LinkResult::Failed:
                break;
        }
        throw ComponentError(QStringLiteral("Cannot create %1: %2").arg(candidate, error));
    };
    if (!promised.isEmpty() && link(promised) == NameClaim::Claimed) {
        return promised;
    }
    return ChooseOutputName(outputDir, caption, inputPath, extension, prefix,
                            [&](const QString& candidate) {
                                {
                                    const std::lock_guard<std::mutex> lock(g_promisedMutex);
                                    if (g_promised.contains(candidate) && candidate != promised) {
                                        return NameClaim::Taken;
                                    }
                                }
                                return link(candidate);
                            });
}

bool PromiseExactOutputName(const QString& name) {
    const std::lock_guard<std::mutex> lock(g_promisedMutex);
    if (g_promised.contains(name)) {
        return false;
    }
    g_promised.insert(name);
    return true;
}

QString ReplaceWithFinishedOutput(const QString& hiddenPath, const QString& target,
                                  const QString& inputPath, const QString& outputDir,
                                  const QString& caption, const QString& extension,
                                  const QString& prefix) {
    // Checked again: the batch may have run for hours since it decided.
    if (DecideExisting(ExistingOutput::Update, target, inputPath) == ExistingAction::Replace) {
        QString error;
        if (!RenameOver(hiddenPath, target, &error)) {
            throw ComponentError(QStringLiteral("Cannot replace %1: %2").arg(target, error));
        }
        return target;
    }
    return NameFinishedOutput(hiddenPath, target, outputDir, caption, inputPath, extension, prefix);
}
