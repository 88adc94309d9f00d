#pragma once

#include "components/audio_file.h"
#include "components/audio_player.h"
#include "engine/main_state.h"
#include "preview/preview_host.h"

// Plays one row of the file list through the player, decoding with the reader the batches also
// use. Pull-driven: two blocks are queued at the start and one more each time the player reports
// that it used one or wants data. Window thread only; the player's events arrive there.
class PreviewPlayback {
  public:
    static constexpr int kBlockFrames = 441000;  // 10 s at 44.1 kHz

    // Takes over the player's events.
    PreviewPlayback(MainState& state, IAudioFile2& reader, IAudioPlayer2& player,
                    PreviewHost& host);

    void StartPreview();
    void FeedPreview();
    void StopPreview();

  private:
    void Fail(const QString& path, const QString& cause);

    MainState& state_;
    IAudioFile2& reader_;
    IAudioPlayer2& player_;
    PreviewHost& host_;
    bool toldNoDevice_ = false;
};
