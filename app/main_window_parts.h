#pragma once

#include <functional>
#include <memory>

#include "components/audio_file.h"
#include "components/audio_player.h"
#include "components/audio_transform.h"
#include "components/desktop_session.h"
#include "components/lame_encoder_settings.h"
#include "components/loudness_meter.h"
#include "components/skin.h"

class QWidget;

// One more set of the components a batch needs, for running several files at once.
struct JobComponents {
    std::unique_ptr<IAudioFile2> reader;
    std::unique_ptr<IAudioFile2> writer;
    std::unique_ptr<IAudioFile2LameEnc> encoder;
    std::unique_ptr<IAudioTransform2> transform;
};

// The components the main window drives. The program wires the real ones (MakeRealParts);
// tests wire recording fakes.
struct MainWindowParts {
    std::unique_ptr<ISkin> skin;
    std::unique_ptr<IAudioFile2> reader;  // AudioFileRead
    std::unique_ptr<IAudioFile2> writer;  // AudioFilewrite
    // Probes files as they are added; a reader of its own, so that adding files does not close
    // the file a preview is playing. When null, AudioFileRead probes.
    std::unique_ptr<IAudioFile2> prober;
    std::unique_ptr<IAudioFile2LameEnc> encoder;  // Mp3LameEncoder
    std::unique_ptr<IAudioTransform2> transform;  // AudioTransform21
    std::unique_ptr<IAudioPlayer2> player;        // AudioPlayer21
    // Notifications and suspend inhibition; null where there is no desktop (tests).
    std::unique_ptr<IDesktopSession> desktop;
    // Loudness normalisation and ReplayGain tags; shared by every job. Null in tests without it.
    std::unique_ptr<ILoudnessMeter> loudness;
    // Creates the skinned output-folder label as a child of the window; the widget must also be
    // an ISkinLabel.
    std::function<QWidget*(QWidget* parent)> makeLabel;
    // Makes the components of each further job when the batch runs several files at once; when
    // empty, the window converts one file at a time.
    std::function<JobComponents()> makeJob;
};

MainWindowParts MakeRealParts();
// A skinned label of the real skin engine, for the dialogs' field labels.
QWidget* MakeRealSkinLabel(QWidget* parent);
