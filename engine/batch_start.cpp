#include "engine/batch_start.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "engine/hidden_output.h"
#include "engine/main_state.h"
#include "engine/output_path.h"
#include "formats/configure_writer.h"
#include "formats/output_formats.h"
#include "tags/tag_error.h"

namespace {

// The settings file the window opened at its first show; a front end without one reads the
// same file by name.
void Configure(BatchParts& parts, int format) {
    MainState& state = parts.state;
    if (state.settingsFile) {
        ConfigureWriter(format, *state.settingsFile, parts.commandLine, parts.encoder,
                        parts.writer);
    } else {
        const SettingsFile file;
        ConfigureWriter(format, file, parts.commandLine, parts.encoder, parts.writer);
    }
}

QString ReadOutputDir(BatchParts& parts) {
    if (!parts.outputDirOverride.isEmpty()) {
        return parts.outputDirOverride;
    }
    if (!parts.state.UnstoredOutputDir.isEmpty()) {
        return parts.state.UnstoredOutputDir;
    }
    if (parts.state.settingsFile) {
        return ReadOutputDirSetting(*parts.state.settingsFile);
    }
    return ReadOutputDirSetting(SettingsFile());
}

}  // namespace

bool StartBatch(BatchParts& parts, BatchHost& host, BatchSetup& setup, bool normalize) {
    MainState& state = parts.state;
    if (host.RowCount() == 0) {
        host.ShowInformation(QStringLiteral("Please add file!"));
        return false;
    }
    // Also while a stopped batch still waits for its worker to leave the components.
    if (state.Busy()) {
        return false;
    }
    const int level = state.appSettings.NormalizeVolume;
    // The loudness mode does not use the level: an odd one does not stop it.
    const bool peak = !state.appSettings.Loudness.loudness;
    if (normalize && peak && (level < kMinNormalizeVolume || level > kMaxNormalizeVolume)) {
        // 0 % would write silence and anything past 100 % a clipped square wave.
        host.ShowError(QStringLiteral("[Nor] vol = %1 is outside %2..%3; pick a value in Settings")
                           .arg(level)
                           .arg(kMinNormalizeVolume)
                           .arg(kMaxNormalizeVolume));
        return false;
    }
    const int format = state.appSettings.OutputFormat;
    setup.extension = OutputExtension(format);
    if (setup.extension.isEmpty()) {
        // Nothing would configure the writer: the last format used would land in files without
        // an extension.
        QStringList offered;
        for (const OutputFormat* f : OutputFormats()) {
            if (f->offered) {
                offered << QString::fromUtf8(f->shown);
            }
        }
        host.ShowError(QStringLiteral("The output format %1 stored under [Format] int is not "
                                      "known; pick one of %2.")
                           .arg(format)
                           .arg(offered.join(QStringLiteral(", "))));
        return false;
    }
    host.BeforeBatch();
    state.Paused = false;
    state.Converting = true;
    try {
        Configure(parts, format);
        if (parts.writer.IsOpen()) {
            parts.writer.Close();
        }
    } catch (const std::exception& e) {
        state.Converting = false;
        host.ShowError(ErrorText(e));
        return false;
    }

    QString dir = ReadOutputDir(parts);
    if (!QFileInfo(dir).isDir()) {
        QDir().mkdir(dir);  // one level; a failure shows when the output is created
    }
    if (!dir.endsWith(QLatin1Char('/'))) {
        dir += QLatin1Char('/');
    }
    state.appSettings.OutputDir = dir;
    setup.outputDir = dir;
    RemoveStaleOutputs(dir);
    return true;
}

void EndBatch(BatchParts& parts, BatchHost& host) {
    parts.state.ProgressValue = 0;
    host.ShowProgress(0);
    parts.state.Converting = false;
    parts.state.Paused = false;
    host.ClearProgressText();
}

QString MessageNamingFile(const QString& message, const QString& inputPath) {
    if (inputPath.isEmpty() || message.contains(inputPath) ||
        message.contains(QFileInfo(inputPath).fileName())) {
        return message;
    }
    return inputPath + QStringLiteral(": ") + message;
}

QString ErrorText(const std::exception& e) {
    return ErrorMessage(e);
}
