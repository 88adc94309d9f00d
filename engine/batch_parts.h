#pragma once

#include <QString>

class IAudioFile2;
class IAudioFile2LameEnc;
class IAudioTransform2;
class ILoudnessMeter;
class SettingsFile;
struct MainState;

// What a batch does with each row: convert it, or write a normalised copy.
enum class BatchWork { Convert, Normalize };

// The components and state a batch drives. The reader and writer are distinct instances.
struct BatchParts {
    MainState& state;
    IAudioFile2& reader;          // AudioFileRead
    IAudioFile2& writer;          // AudioFilewrite
    IAudioFile2LameEnc& encoder;  // Mp3LameEncoder
    IAudioTransform2& transform;  // AudioTransform21
    // The settings dialog's LAME command-line text for this run (never stored).
    QString commandLine;
    // When not empty, the output folder for this run instead of the stored one.
    QString outputDirOverride;
    // Measures loudness for the loudness mode and ReplayGain tags; jobs share it. Without one,
    // those settings are refused.
    const ILoudnessMeter* loudnessMeter = nullptr;
};

// One job's own components, for batches that run several files at once: nothing is shared
// between jobs but the output naming and the tag transfer, both guarded.
struct JobParts {
    IAudioFile2& reader;
    IAudioFile2& writer;
    IAudioFile2LameEnc& encoder;
    IAudioTransform2& transform;
};
