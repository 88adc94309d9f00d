#pragma once

#include <cstddef>
#include <cstdint>

// Our blocks carry channels in the WAV order (front left, front right, centre, LFE, back left,
// back right, side left, side right); Vorbis and Opus streams of 3 to 8 channels store them in
// the Vorbis order (front left, centre, front right, sides or backs, LFE last). Entry i of the
// row for `channels` is the WAV channel that goes to Vorbis position i.
inline const int* WaveToVorbisOrder(int channels) {
    static constexpr int kOrders[9][8] = {
        {},
        {0},
        {0, 1},
        {0, 2, 1},
        {0, 1, 2, 3},
        {0, 2, 1, 3, 4},
        {0, 2, 1, 4, 5, 3},
        {0, 2, 1, 5, 6, 4, 3},
        {0, 2, 1, 6, 7, 4, 5, 3},
    };
    return channels >= 1 && channels <= 8 ? kOrders[channels] : nullptr;
}

// The WAV speaker mask of our order for 1 to 8 channels (0 otherwise): mono is the centre, 4 are
// front and back pairs, 7 is 6.1 with a back centre, 8 is 7.1 with sides.
inline std::uint32_t WaveChannelMask(int channels) {
    static constexpr std::uint32_t kMasks[9] = {0, 0x4, 0x3, 0x7, 0x33, 0x37, 0x3F, 0x70F, 0x63F};
    return channels >= 1 && channels <= 8 ? kMasks[channels] : 0;
}

// Copies `frames` frames of `channels` channels from WAV order into Vorbis order.
inline void ToVorbisOrder(const float* in, std::size_t frames, int channels, float* out) {
    const int* order = WaveToVorbisOrder(channels);
    for (std::size_t f = 0; f < frames; ++f) {
        const float* from = in + f * static_cast<std::size_t>(channels);
        float* to = out + f * static_cast<std::size_t>(channels);
        for (int c = 0; c < channels; ++c) {
            to[c] = from[order[c]];
        }
    }
}
