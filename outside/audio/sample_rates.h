#pragma once

// The one rule for sample rates across the audio components.

// A rate any input, output or resampler here can work with.
bool IsUsableSampleRate(int hz);

// The rates an MP3 stream can have (MPEG 1, 2 and 2.5).
bool IsMp3SampleRate(int hz);
