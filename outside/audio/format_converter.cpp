#include "outside/audio/format_converter.h"

#include <soxr.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>

FormatConverter::FormatConverter(int inRate, int inChannels, int outRate, int outChannels)
    : inChannels_(inChannels),
      outChannels_(outChannels),
      ratio_(static_cast<double>(outRate) / inRate),
      identity_(inRate == outRate && inChannels == outChannels) {
    if (outChannels == 2 && inChannels > 2) {
        SetDownmix();
    }
    if (inRate != outRate) {
        soxr_error_t error = nullptr;
        const soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_FLOAT32_I);
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
        resampler_ = soxr_create(inRate, outRate, static_cast<unsigned>(outChannels), &error, &io,
                                 &quality, nullptr);
        if (resampler_ == nullptr) {
            throw std::runtime_error(error != nullptr ? error : "cannot create the resampler");
        }
    }
}

// Weights of each input channel in the left and right output, in the usual WAV channel orders
// (front left, front right, centre, LFE, back left, back right, side left, side right): centre
// and surrounds at -3 dB into the sides, LFE dropped, each side scaled so that its sum cannot
// exceed full scale. Layouts past eight channels alternate left and right.
void FormatConverter::SetDownmix() {
    constexpr float kSide = 1.0f;
    constexpr float kMinus3dB = 0.70710678f;
    enum Speaker { kL, kR, kC, kLfe, kBl, kBr, kSl, kSr, kBc };
    static const std::vector<std::vector<Speaker>> kLayouts = {
        {},
        {},
        {},
        {kL, kR, kC},
        {kL, kR, kBl, kBr},
        {kL, kR, kC, kBl, kBr},
        {kL, kR, kC, kLfe, kBl, kBr},
        {kL, kR, kC, kLfe, kBc, kSl, kSr},
        {kL, kR, kC, kLfe, kBl, kBr, kSl, kSr},
    };
    toLeft_.assign(static_cast<std::size_t>(inChannels_), 0.0f);
    toRight_.assign(static_cast<std::size_t>(inChannels_), 0.0f);
    for (int c = 0; c < inChannels_; ++c) {
        const std::size_t i = static_cast<std::size_t>(c);
        if (inChannels_ >= static_cast<int>(kLayouts.size())) {
            (c % 2 == 0 ? toLeft_ : toRight_)[i] = kSide;
            continue;
        }
        switch (kLayouts[static_cast<std::size_t>(inChannels_)][i]) {
            case kL:
                toLeft_[i] = kSide;
                break;
            case kR:
                toRight_[i] = kSide;
                break;
            case kC:
            case kBc:
                toLeft_[i] = kMinus3dB;
                toRight_[i] = kMinus3dB;
                break;
            case kBl:
            case kSl:
                toLeft_[i] = kMinus3dB;
                break;
            case kBr:
            case kSr:
                toRight_[i] = kMinus3dB;
                break;
            case kLfe:
                break;
        }
    }
    for (std::vector<float>* side : {&toLeft_, &toRight_}) {
        float sum = 0.0f;
        for (const float w : *side) {
            sum += w;
        }
        for (float& w : *side) {
            w /= sum;
        }
    }
}

FormatConverter::~FormatConverter() {
    if (resampler_ != nullptr) {
        soxr_delete(resampler_);
    }
}

const float* FormatConverter::MapChannels(const float* in, std::int64_t frames) {
    if (inChannels_ == outChannels_) {
        return in;
    }
    const std::size_t n = static_cast<std::size_t>(frames);
    mapped_.resize(n * static_cast<std::size_t>(outChannels_));
    float* out = mapped_.data();
    if (outChannels_ == 1) {
        const float scale = 1.0f / static_cast<float>(inChannels_);
        for (std::size_t f = 0; f < n; ++f) {
            float sum = 0.0f;
            for (int c = 0; c < inChannels_; ++c) {
                sum += in[f * inChannels_ + c];
            }
            out[f] = sum * scale;
        }
    } else if (inChannels_ == 1) {
        for (std::size_t f = 0; f < n; ++f) {
            std::fill_n(out + f * outChannels_, outChannels_, in[f]);
        }
    } else if (outChannels_ == 2 && inChannels_ > 2) {
        const std::size_t count = static_cast<std::size_t>(inChannels_);
        for (std::size_t f = 0; f < n; ++f) {
            const float* frame = in + f * count;
            float left = 0.0f;
            float right = 0.0f;
            for (std::size_t c = 0; c < count; ++c) {
                left += frame[c] * toLeft_[c];
                right += frame[c] * toRight_[c];
            }
            out[2 * f] = left;
            out[2 * f + 1] = right;
        }
    } else {
        // Neither side is mono: keep the channels both have, silence the rest.
        for (std::size_t f = 0; f < n; ++f) {
            for (int c = 0; c < outChannels_; ++c) {
                out[f * outChannels_ + c] = c < inChannels_ ? in[f * inChannels_ + c] : 0.0f;
            }
        }
    }
    return out;
}

const std::vector<float>& FormatConverter::Resample(const float* in, std::int64_t frames) {
    const std::size_t channels = static_cast<std::size_t>(outChannels_);
    out_.clear();
    std::size_t inLeft = static_cast<std::size_t>(frames);
    // Room for the block at the new rate plus what the filter may release from earlier blocks.
    const std::size_t chunk = static_cast<std::size_t>(static_cast<double>(inLeft) * ratio_) + 256;
    std::size_t produced = 0;
    for (;;) {
        out_.resize((produced + chunk) * channels);
        std::size_t used = 0;
        std::size_t made = 0;
        const soxr_error_t error = soxr_process(resampler_, in, inLeft, &used,
                                                out_.data() + produced * channels, chunk, &made);
        if (error != nullptr) {
            throw std::runtime_error(error);
        }
        produced += made;
        if (in != nullptr) {
            in += used * channels;
            inLeft -= used;
        }
        // A block is done when all input is taken and the output did not fill up; at the end
        // (in == null) when nothing more comes out.
        if ((in != nullptr && inLeft == 0 && made < chunk) || (in == nullptr && made == 0)) {
            break;
        }
        if (in != nullptr && used == 0 && made == 0) {
            throw std::runtime_error("the resampler makes no progress");
        }
    }
    out_.resize(produced * channels);
    return out_;
}

const std::vector<float>& FormatConverter::Process(const float* in, std::int64_t frames) {
    const float* mapped = MapChannels(in, frames);
    if (resampler_ == nullptr) {
        if (mapped == mapped_.data()) {
            out_.swap(mapped_);
        } else {
            out_.assign(mapped, mapped + static_cast<std::size_t>(frames) * outChannels_);
        }
        return out_;
    }
    if (frames == 0) {
        out_.clear();
        return out_;
    }
    return Resample(mapped, frames);
}

const std::vector<float>& FormatConverter::Flush() {
    if (resampler_ == nullptr) {
        out_.clear();
        return out_;
    }
    return Resample(nullptr, 0);
}
