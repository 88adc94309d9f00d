#pragma once

#include <QString>
#include <cstdint>
#include <memory>

// One codec's stream in an MP4 (.m4a) file through FFmpeg's encoder and its "ipod" muxer, filled
// a frame at a time in planar samples: what the AAC and ALAC encoders share. Every failure
// throws ComponentError naming `shownPath`.
class Mp4Output {
  public:
    struct Setup {
        const char* encoder;  // FFmpeg's name of the encoder: "aac", "alac"
        const char* name;     // for the message when this system's FFmpeg lacks it
        int sampleFormat;     // an AVSampleFormat, planar
        int rate;
        int channels;
        int rawBits = 0;           // bits_per_raw_sample, 0 to leave it to the encoder
        std::int64_t bitRate = 0;  // bits per second, 0 for none
    };
    Mp4Output(const QString& path, QString shownPath, const Setup& setup);
    ~Mp4Output();
    Mp4Output(const Mp4Output&) = delete;
    Mp4Output& operator=(const Mp4Output&) = delete;

    // Frames of a codec frame; `Free()` of them are still to fill in the current one.
    int FrameSize() const;
    int Free() const;
    // Channel c's plane of the current frame, at the first frame not yet filled.
    template <typename Sample>
    Sample* Plane(int c) {
        return reinterpret_cast<Sample*>(PlaneBytes(c)) + filled_;
    }
    // Call before filling a frame's first samples.
    void Begin();
    // `n` more frames are in; a full frame goes to the encoder.
    void Filled(int n);
    // Sends a short last frame, drains the encoder and completes the file. An output without
    // samples is refused, as the muxer would leave the track out.
    void Finish();

  private:
    struct State;
    std::uint8_t* PlaneBytes(int c);
    void SendFrame();
    void Drain();
    void Check(int rc, const QString& what) const;

    std::unique_ptr<State> state_;
    QString shownPath_;
    int filled_ = 0;  // frames in the current frame not yet sent
    std::int64_t sent_ = 0;
};
