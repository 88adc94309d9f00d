#include "preview/preview_playback.h"

#include <QFileInfo>
#include <algorithm>

#include "components/component_error.h"

PreviewPlayback::PreviewPlayback(const BatchControl& batch, IAudioFile2& reader,
                                 IAudioPlayer2& player, PreviewHost& host)
    : batch_(batch), reader_(reader), player_(player), host_(host) {
    IAudioPlayer2::Events events;
    events.onRequestOnLoadArray = [this] { FeedPreview(); };
    events.onEndArrayPlay = [this] { FeedPreview(); };
    player_.SetEvents(std::move(events));
}

void PreviewPlayback::StartPreview() {
    const int rows = host_.RowCount();
    if (rows == 0) {
        host_.ShowInformation(tr("Please add file!"));
        return;
    }
    if (playing_ || batch_.Busy()) {
        // The row being played keeps its index, so its status is the one Stop updates.
        return;
    }
    if (!host_.HasSelectedRow() || playIndex_ < 0 || playIndex_ >= rows) {
        playIndex_ = rows - 1;
    }
    playing_ = true;
    const QString path = host_.RowPath(playIndex_);
    try {
        if (reader_.IsOpen()) {
            reader_.Close();
        }
        reader_.Open(path);
        if (const SampleRange range = host_.RowRange(playIndex_); !range.Whole()) {
            reader_.SetReadRange(range.start, range.end);
        }
        player_.OpenStream(reader_.PcmSampleRate(), reader_.PcmChannels());
        player_.Play();
        FeedPreview();
        if (!playing_) {
            return;  // the first block failed and was reported
        }
        FeedPreview();
    } catch (const ComponentError& e) {
        Fail(path, e.Message());
        return;
    }
    if (!playing_) {
        return;
    }
    host_.SetRowState(playIndex_, RowState::Playing);
    if (!toldNoDevice_ && player_.UsesNullOutput()) {
        toldNoDevice_ = true;
        host_.ShowInformation(tr("No audio device was found: the preview plays silently."));
    }
}

void PreviewPlayback::FeedPreview() {
    if (!playing_) {
        return;  // a late event after Stop: the reader may belong to a batch by now
    }
    try {
        const AudioBuffer buffer = reader_.ReadBuffer(kBlockFrames);
        player_.QueueBuffer(buffer);
    } catch (const ComponentError& e) {
        Fail(host_.RowPath(playIndex_), e.Message());
    }
}

void PreviewPlayback::StopPreview() {
    if (!playing_) {
        return;
    }
    try {
        player_.Stop();
    } catch (const ComponentError& e) {
        host_.ShowErrorReport(e.Message());
    }
    playing_ = false;
    host_.SetRowState(playIndex_, RowState::Stopped);
}

// A preview that cannot go on ends as if stopped, so the next start works, and says why.
void PreviewPlayback::Fail(const QString& path, const QString& cause) {
    try {
        player_.Stop();
    } catch (const ComponentError&) {
        // Already failing: the first cause is the one to report.
    }
    playing_ = false;
    host_.SetRowState(playIndex_, RowState::Stopped);
    host_.ShowErrorReport(tr("Cannot preview %1: %2").arg(QFileInfo(path).fileName(), cause));
}

void PreviewPlayback::StopForBatch() {
    if (!playing_) {
        return;
    }
    try {
        player_.Stop();
    } catch (const ComponentError&) {
        // The batch closes the reader itself; the player's complaint changes nothing of it.
    }
    playing_ = false;
    host_.SetRowState(playIndex_, RowState::Stopped);
}

void PreviewPlayback::SetPlayIndex(int row) {
    if (!playing_) {
        playIndex_ = row;
    }
}

void PreviewPlayback::RowsRemoved(int first, int last) {
    if (last < playIndex_) {
        playIndex_ -= last - first + 1;
    } else if (first <= playIndex_) {
        playIndex_ = first;
    }
    playIndex_ = std::clamp(playIndex_, 0, std::max(0, host_.RowCount() - 1));
}
