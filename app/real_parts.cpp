#include "app/main_window_parts.h"
#include "outside/audio/audio_factory.h"
#include "outside/desktop/dbus_desktop_session.h"
#include "outside/player/player_factory.h"
#include "outside/skin/skin_engine.h"
#include "outside/skin/skin_label.h"

MainWindowParts MakeRealParts() {
    MainWindowParts parts;
    parts.skin = std::make_unique<TSkin>();
    parts.reader = CreateAudioFile();
    parts.writer = CreateAudioFile();
    parts.prober = CreateAudioFile();
    parts.encoder = std::make_unique<LameEncoderSettings>();
    parts.transform = CreateAudioTransform();
    parts.player = CreateAudioPlayer();
    parts.desktop = CreateDesktopSession();
    parts.loudness = CreateLoudnessMeter();
    parts.makeLabel = MakeRealSkinLabel;
    parts.makeJob = [] {
        return JobComponents{CreateAudioFile(), CreateAudioFile(),
                             std::make_unique<LameEncoderSettings>(), CreateAudioTransform()};
    };
    return parts;
}

QWidget* MakeRealSkinLabel(QWidget* parent) {
    return new TSkinLabel(parent);
}
