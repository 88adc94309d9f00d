#pragma once

#include <QByteArray>
#include <cstdint>

// Where real MPEG audio begins in a file, and what its first frame says.
struct MpegStreamStart {
    bool found = false;
    std::int64_t offset = 0;  // of the first frame, after any ID3v2 tags and leading junk
    int sampleRate = 0;
    int channels = 0;
};

// Looks for MPEG audio the way a careful player would, so that executables, images and text
// with a chance frame sync are not taken for audio: after any ID3v2 tags, within a short stretch
// of junk, a run of consecutive frames of one version, layer and sample rate, each header where
// the previous frame's length says. `head` is the start of the file, `fileSize` its whole size.
MpegStreamStart FindMpegStream(const QByteArray& head, std::int64_t fileSize);

// Bytes of the start of a file FindMpegStream needs: the ID3v2 tags plus the search window.
// Returns the count to read given the first bytes read so far (grows as tags are found).
std::int64_t MpegScanBytes(const QByteArray& head);
