#pragma once

#include <QList>
#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>

#include "filelist/audio_file_info.h"
#include "settings/app_settings.h"
#include "settings/output_names_setting.h"
#include "settings/settings_file.h"

class TThreadNormalize;

// The state every command and the engine share, owned by the main window for the whole run. It
// lives here so that the batches reach it without depending on the window.
// The atomics are also read and written by the normalisation worker; everything else belongs to
// the window thread.
struct MainState {
    std::atomic<bool> Converting{false};  // a batch runs; clearing it is the stop request
    std::atomic<bool> WorkerRunning{false};
    std::atomic<int> WorkerStage{0};
    std::atomic<int> ProgressValue{0};

    // The running normalisation worker, the target of StopWork's termination request. Window
    // thread only; set by NormalizeAll while it waits for the worker.
    TThreadNormalize* NormalizeThread = nullptr;

    // A batch is on its way, from its start until its last row has ended, including the moments
    // after a stop while a worker is still inside the components. Window thread only.
    bool BatchActive = false;
    // Nothing may start that uses the reader, writer or transform.
    bool Busy() const { return Converting || BatchActive; }

    bool Playing = false;
    // An add operation runs (it pumps messages between files): list changes, batch and preview
    // starts and the tag editor are refused until it ends.
    bool Adding = false;
    int PlayIndex = 0;
    QString OutputPath;

    // Tags, the record of each row, live with the rows (the window's list, the command line's
    // inputs); the batches read them through their host.
    QList<AudioFileinfo> EditTags;  // the tag editor's working copy

    AppSettings appSettings;
    // The folder chosen in the window when storing it in the settings file failed: the batches
    // use it instead of the stored one, which is no longer what the user sees. Empty otherwise.
    QString UnstoredOutputDir;
    // Output naming for this run instead of the stored [Names] keys (the command line's flags).
    std::optional<OutputNaming> NamingOverride;
    std::unique_ptr<SettingsFile> settingsFile;  // open from first show to the close request
};
