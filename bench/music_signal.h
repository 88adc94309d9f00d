#pragma once

#include <QString>

// Writes `seconds` of stereo 44.1 kHz 16-bit WAV of music-like content to `path`: chords of
// harmonic tones that change every two seconds, a bass line, noise-burst percussion and slow
// stereo panning, so that encoders and resamplers see something like real material.
void WriteMusicLikeWav(const QString& path, int seconds);
