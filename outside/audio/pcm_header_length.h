#pragma once

#include <QString>
#include <cstdint>

// The number of frames a WAV, RF64 or AIFF header says its audio holds, read from the header
// itself: libsndfile gives the frames actually present, so a file cut after its header looks
// whole to it. -1 when the file is none of these, or its header gives no length (0, or the
// "unknown" sizes streaming writers put in front of a pipe).
std::int64_t StatedPcmFrames(const QString& path);
