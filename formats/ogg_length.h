#pragma once

#include <QString>
#include <cstdint>

// The frames an Ogg Opus or Ogg Vorbis file holds, from its pages alone, without decoding: the
// granule position of the stream's last page, less the Opus pre-skip (RFC 7845); a Vorbis
// stream's granule counts its samples from 0. `rate` gets the rate the granules count in (48000
// for Opus). -1 when the file is not one whole Opus or Vorbis stream (a page broken off, no end
// of stream).
std::int64_t OggStreamFrames(const QString& path, int& rate);
