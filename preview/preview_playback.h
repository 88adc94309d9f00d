#pragma once

#include <QCoreApplication>

#include "components/audio_file.h"
#include "components/audio_player.h"
#include "engine/batch_control.h"
#include "preview/preview_host.h"

// Plays one row of the file list through the player, decoding with the reader the batches also
// use. Pull-driven: two blocks are queued at the start and one more each time the player reports
// that it used one or wants data. Window thread only; the player's events arrive there.
//
// Holds the preview's own state: whether it plays, and which row it plays or is to play.
class PreviewPlayback {
    Q_DECLARE_TR_FUNCTIONS(PreviewPlayback)

  public:
    static constexpr int kBlockFrames = 441000;  // 10 s at 44.1 kHz

    // Takes over the player's events. A preview does not start while `batch` is busy.
    PreviewPlayback(const BatchControl& batch, IAudioFile2& reader, IAudioPlayer2& player,
                    PreviewHost& host);

    void StartPreview();
    void FeedPreview();
    void StopPreview();
    // A batch is about to take the reader: the player stops, the row reads "Stop". Failures of
    // the player are not reported; it is being let go anyway.
    void StopForBatch();

    // A preview has been started and not stopped.
    bool Playing() const { return playing_; }
    // The row to preview, or being previewed (PlayIndex).
    int PlayIndex() const { return playIndex_; }
    // The list's click and the current-row preview choose the row; ignored while playing, so the
    // row that plays keeps the index its Stop updates.
    void SetPlayIndex(int row);
    // Rows first..last have left the list: the index follows the row it names, and when that row
    // went, the next one takes its place.
    void RowsRemoved(int first, int last);
    // The list was emptied.
    void ListCleared() { playIndex_ = 0; }

  private:
    void Fail(const QString& path, const QString& cause);

    const BatchControl& batch_;
    IAudioFile2& reader_;
    IAudioPlayer2& player_;
    PreviewHost& host_;
    bool playing_ = false;
    int playIndex_ = 0;
    bool toldNoDevice_ = false;
};
