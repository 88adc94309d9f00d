#include "preview/preview_playback.h"

#include <QFileInfo>

#include "components/component_error.h"

PreviewPlayback::PreviewPlayback(MainState& state, IAudioFile2& reader, IAudioPlayer2& player,
                                 PreviewHost& host)
    : state_(state), reader_(reader), player_(player), host_(host) {
    IAudioPlayer2::Events events;
    events.onRequestOnLoadArray = [this] { FeedPreview(); };
    events.onEndArrayPlay = [this] { FeedPreview(); };
    player_.SetEvents(std::move(events));
}

void PreviewPlayback::StartPreview() {
    const int rows = host_.RowCount();
    if (rows == 0) {
        host_.ShowInformation(QStringLiteral("Please add file!"));
        return;
    }
    if (state_.Playing || state_.Busy()) {
        // The row being played keeps its index, so its status is the one Stop updates.
        return;
    }
    if (!host_.HasSelectedRow() || state_.PlayIndex < 0 || state_.PlayIndex >= rows) {
        state_.PlayIndex = rows - 1;
    }
    state_.Playing = true;
    const QString path = host_.RowPath(state_.PlayIndex);
    try {
        if (reader_.IsOpen()) {
            reader_.Close();
        }
        reader_.Open(path);
        player_.OpenStream(reader_.PcmSampleRate(), reader_.PcmChannels());
        player_.Play();
        FeedPreview();
        if (!state_.Playing) {
            return;  // the first block failed and was reported
        }
        FeedPreview();
    } catch (const ComponentError& e) {
        Fail(path, e.Message());
        return;
    }
    if (!state_.Playing) {
        return;
    }
    host_.SetRowState(state_.PlayIndex, RowState::Playing);
    if (!toldNoDevice_ && player_.UsesNullOutput()) {
        toldNoDevice_ = true;
        host_.ShowInformation(
            QStringLiteral("No audio device was found: the preview plays silently."));
    }
}

void PreviewPlayback::FeedPreview() {
    if (!state_.Playing) {
        return;  // a late event after Stop: the reader may belong to a batch by now
    }
    try {
        const AudioBuffer buffer = reader_.ReadBuffer(kBlockFrames);
        player_.QueueBuffer(buffer);
    } catch (const ComponentError& e) {
        Fail(host_.RowPath(state_.PlayIndex), e.Message());
    }
}

void PreviewPlayback::StopPreview() {
    if (!state_.Playing) {
        return;
    }
    try {
        player_.Stop();
    } catch (const ComponentError& e) {
        host_.ShowErrorReport(e.Message());
    }
    state_.Playing = false;
    host_.SetRowState(state_.PlayIndex, RowState::Stopped);
}

// A preview that cannot go on ends as if stopped, so the next start works, and says why.
void PreviewPlayback::Fail(const QString& path, const QString& cause) {
    try {
        player_.Stop();
    } catch (const ComponentError&) {
        // Already failing: the first cause is the one to report.
    }
    state_.Playing = false;
    host_.SetRowState(state_.PlayIndex, RowState::Stopped);
    host_.ShowErrorReport(
        QStringLiteral("Cannot preview %1: %2").arg(QFileInfo(path).fileName(), cause));
}
