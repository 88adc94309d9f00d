#pragma once

#include <QString>

// Audio inputs for the file-list tests, written by our own writer.

// A sine WAV (16-bit) of the given length.
void WriteWavFixture(const QString& path, int rate, int channels, int ms);
// A 96 kbps MP3 of a sine; with a non-empty title, an ID3v2 tag carrying it (and artist, album,
// comment, genre derived from it) is put in front.
void WriteMp3Fixture(const QString& path, int ms, const QString& title = QString());
