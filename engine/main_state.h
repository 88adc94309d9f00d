#pragma once

#include <QList>
#include <QString>
#include <memory>
#include <optional>

#include "engine/batch_control.h"
#include "settings/app_settings.h"
#include "settings/output_names_setting.h"
#include "settings/settings_file.h"
#include "tagmodel/audio_file_info.h"

// What the engine and every front end share for the whole run: the batch control and the
// settings the batches read. Owned by the main window (or the command line). Apart from the
// control's atomics, everything belongs to the thread that starts batches.
struct MainState : BatchControl {
    // The window's own state, until it moves to the window: the preview plays, an add runs.
    bool Playing = false;
    // An add operation runs (it pumps messages between files): list changes, batch and preview
    // starts and the tag editor are refused until it ends.
    bool Adding = false;
    int PlayIndex = 0;
    QList<AudioFileinfo> EditTags;  // the tag editor's working copy

    AppSettings appSettings;
    // The folder chosen in the window when storing it in the settings file failed: the batches
    // use it instead of the stored one, which is no longer what the user sees. Empty otherwise.
    QString UnstoredOutputDir;
    // Output naming for this run instead of the stored [Names] keys (the command line's flags).
    std::optional<OutputNaming> NamingOverride;
    std::unique_ptr<SettingsFile> settingsFile;  // open from first show to the close request
};
