#include "engine/output_check.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "components/component_error.h"
#include "components/loudness_meter.h"
#include "engine/batch_plan.h"
#include "engine/split_row.h"
#include "formats/output_formats.h"
#include "tags/tag_carry.h"

namespace {

constexpr int kCheckBlockFrames = 1 << 16;

// A resampler's output length follows the ratio up to its rounding at the two ends.
constexpr std::int64_t kResampleSlack = 2;

QString Failed(const QString& what) {
    return QStringLiteral("Check failed: ") + what;
}

// "m:ss" as the list shows times, "h:mm:ss" from an hour on; with milliseconds where the
// seconds alone would not tell two lengths apart.
QString Clock(std::int64_t frames, int rate, bool withMs) {
    const std::int64_t ms = rate > 0 ? frames * 1000 / rate : 0;
    const std::int64_t s = ms / 1000;
    QString text = s >= 3600 ? QStringLiteral("%1:%2:%3")
                                   .arg(s / 3600)
                                   .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                                   .arg(s % 60, 2, 10, QLatin1Char('0'))
                             : QStringLiteral("%1:%2")
                                   .arg(s / 60, 2, 10, QLatin1Char('0'))
                                   .arg(s % 60, 2, 10, QLatin1Char('0'));
    if (withMs) {
        text += QStringLiteral(".%1").arg(ms % 1000, 3, 10, QLatin1Char('0'));
    }
    return text;
}

QString HoldsOf(std::int64_t got, std::int64_t meant, int rate) {
    bool fine = Clock(got, rate, false) == Clock(meant, rate, false);
    QString text = QStringLiteral("the output holds %1 of %2")
                       .arg(Clock(got, rate, fine), Clock(meant, rate, fine));
    if (fine && Clock(got, rate, true) == Clock(meant, rate, true)) {
        text += got < meant ? QStringLiteral(" (%1 samples short)").arg(meant - got)
                            : QStringLiteral(" (%1 samples too many)").arg(got - meant);
    }
    return text;
}

QString NotNumbers(const QString& where, std::int64_t count) {
    return count == 1 ? where + QStringLiteral(" a sample that is not a number")
                      : where + QStringLiteral(" %1 samples that are not numbers").arg(count);
}

// What decoding the output gave.
struct Decoded : ReadBack {
    bool stopped = false;  // a stop ended the decoding
    LoudnessMeasure loudness;
};

// The whole file through the reader, hashed at the given depth when `hash` is set, measured when
// `meter` is.
Decoded DecodeAll(IAudioFile2& reader, const QString& path, PcmMd5* hash,
                  const ILoudnessMeter* meter, const CheckGoesOn& goOn) {
    Decoded d;
    reader.Open(path);
    d.rate = reader.SampleRate();
    std::unique_ptr<ILoudnessTrack> track =
        meter ? meter->NewTrack(reader.SampleRate(), std::max(reader.Channels(), 1), false)
              : nullptr;
    d.stopped = !ReadBackBlocks(
        reader,
        [&](const AudioBuffer& block) {
            if (hash) {
                hash->Add(block.Data(), block.SampleCount());
            }
            if (track) {
                track->Add(block);
            }
        },
        goOn, d);
    reader.Close();
    if (hash) {
        d.md5 = hash->Hex();
        d.print = hash->Print();
    }
    if (track) {
        d.loudness = track->Measure();
    }
    return d;
}

// Decoded, with a reader's failure as the check's: an output that cannot be read back is wrong.
bool TryDecode(IAudioFile2& reader, const QString& path, PcmMd5* hash, const ILoudnessMeter* meter,
               const CheckGoesOn& goOn, Decoded& d, OutputReceipt& r) {
    try {
        d = DecodeAll(reader, path, hash, meter, goOn);
        return true;
    } catch (const std::exception& e) {
        try {
            reader.Close();
        } catch (const std::exception&) {
        }
        r.failure =
            Failed(QStringLiteral("the output cannot be read back (%1)").arg(ErrorMessage(e)));
        return false;
    }
}

bool GainKey(const QString& key) {
    return key.startsWith(QLatin1String("REPLAYGAIN_")) || key.startsWith(QLatin1String("R128_"));
}

QString Trimmed(const QStringList& values) {
    QStringList t;
    for (const QString& v : values) {
        t << v.trimmed();
    }
    return t.join(QStringLiteral("; "));
}

// The six fields WMA attributes hold, each one text.
bool WmaHolds(const QString& key) {
    for (const TagFieldId id : {TagFieldId::Title, TagFieldId::Artist, TagFieldId::Album,
                                TagFieldId::Date, TagFieldId::Genre, TagFieldId::Comment}) {
        if (key == TagKey(id)) {
            return true;
        }
    }
    return false;
}

// The tags read back against those written; fields the format has no place for are listed.
void CheckTags(const WrittenOutput& out, OutputReceipt& r) {
    const TagSet& written = out.tagsWritten;
    r.tagsWritten = written.fields.keys();
    if (!written.pictures.isEmpty()) {
        r.tagsWritten << QStringLiteral("PICTURE");
    }
    if (out.tags == TagKind::None) {
        r.tagsNotPlaced = r.tagsWritten;
        return;
    }
    if (written.IsEmpty()) {
        return;
    }
    QString error;
    const TagSet read = ReadTagSet(out.path, &error);
    if (!error.isEmpty()) {
        r.failure = Failed(QStringLiteral("the tags cannot be read back"));
        return;
    }
    for (auto it = written.fields.cbegin(); it != written.fields.cend(); ++it) {
        const QString& key = it.key();
        const bool wma = out.tags == TagKind::WmaAttributes;
        if ((wma && !WmaHolds(key)) || (GainKey(key) && !out.gainsRewritten)) {
            // Opus keeps gains as R128 values and has no place for peaks.
            bool kept = read.fields.contains(key);
            for (const char* a : {"REPLAYGAIN_TRACK_GAIN", "REPLAYGAIN_ALBUM_GAIN"}) {
                const QString r128 = QString::fromLatin1(a).replace(QLatin1String("REPLAYGAIN_"),
                                                                    QLatin1String("R128_"));
                kept = kept || (key == QLatin1String(a) && read.fields.contains(r128)) ||
                       (key == r128 && read.fields.contains(QLatin1String(a)));
            }
            if (!kept) {
                r.tagsNotPlaced << key;
            }
            continue;
        }
        if (GainKey(key)) {
            continue;  // measured on the output and written after the transfer
        }
        const QStringList got = read.fields.value(key);
        if (got.isEmpty()) {
            r.failure = Failed(QStringLiteral("the tag %1 was not written").arg(key));
            return;
        }
        const QString meant = Trimmed(it.value());
        if (Trimmed(got) != meant) {
            r.failure = Failed(QStringLiteral("the tag %1 reads \"%2\", not \"%3\"")
                                   .arg(key, Trimmed(got), meant));
            return;
        }
    }
    if (!written.pictures.isEmpty()) {
        if (out.tags == TagKind::WmaAttributes) {
            r.tagsNotPlaced << QStringLiteral("PICTURE");
        } else if (read.pictures.size() < written.pictures.size()) {
            r.failure = Failed(QStringLiteral("%1 of %2 pictures were written")
                                   .arg(read.pictures.size())
                                   .arg(written.pictures.size()));
        }
    }
}

// After normalisation: the peak or loudness the output reached, within what the format can
// keep of it (quantisation and dither for lossless outputs, the codec's filtering for lossy
// ones). A target the run said it could not reach is only reported.
void CheckLevel(const RunPlan& plan, bool lossless, double fedPeak, const Decoded& d,
                const WrittenOutput& out, OutputReceipt& r) {
    r.peak = d.peak;
    const bool loudness = plan.loudness.meter != nullptr;
    if (loudness) {
        r.loudness = d.loudness.integrated;
    }
    if (!r.failure.isEmpty() || fedPeak <= 0 || !out.note.isEmpty()) {
        return;
    }
    if (!loudness) {
        const double aim = static_cast<double>(plan.level) / 100.0;
        const double off = ToDecibels(d.peak) - ToDecibels(std::min(aim, 1.0));
        const double tolerance = lossless ? 0.1 : 3.0;
        if (!(std::fabs(off) <= tolerance)) {
            r.failure = Failed(QStringLiteral("the output peaks at %1 %, not at %2 %")
                                   .arg(d.peak * 100.0, 0, 'f', 1)
                                   .arg(aim * 100.0, 0, 'f', 1));
        }
        return;
    }
    if (plan.loudness.album || !d.loudness.Measured()) {
        return;  // an album's gain aims at the album, not at each of its tracks
    }
    const double tolerance = lossless ? 0.2 : 1.0;
    if (!(std::fabs(d.loudness.integrated - plan.loudness.targetLufs) <= tolerance)) {
        r.failure = Failed(QStringLiteral("the output's loudness is %1 LUFS, not %2 LUFS")
                               .arg(d.loudness.integrated, 0, 'f', 1)
                               .arg(plan.loudness.targetLufs, 0, 'f', 1));
    }
}

}  // namespace

PcmMd5::PcmMd5(int bits, bool floating, bool md5)
    : bits_(floating ? 32 : bits), floating_(floating), md5_(md5) {}

void PcmMd5::Add(const float* samples, std::size_t count) {
    const std::size_t width = floating_ ? 4 : static_cast<std::size_t>((bits_ + 7) / 8);
    // The print alone needs no bytes: what the writer is given is only printed.
    bytes_.resize(md5_ ? static_cast<qsizetype>(count * width) : 0);
    auto* out = reinterpret_cast<unsigned char*>(bytes_.data());
    std::uint64_t lanes[4] = {lanes_[0], lanes_[1], lanes_[2], lanes_[3]};
    std::size_t lane = count_ % 4;
    const auto print = [&](std::uint32_t k) {
        lanes[lane] = (lanes[lane] ^ k) * 0x9E3779B97F4A7C15ull;
        lane = (lane + 1) & 3;
    };
    if (floating_) {
        for (std::size_t i = 0; i < count; ++i) {
            if (md5_) {
                qToLittleEndian(samples[i], out + i * 4);
            }
            std::uint32_t k;
            std::memcpy(&k, &samples[i], 4);
            print(k);
        }
    } else if (width == 2) {
        // The common case in single precision, which holds 16-bit values exactly. Samples are
        // brought to integers as the writers do it (halves away from zero, clipped).
        const float scale = std::ldexp(1.0f, bits_ - 1);
        for (std::size_t i = 0; i < count; ++i) {
            float v = samples[i] * scale;
            v = v > -scale ? v : -scale;  // NaN compares false: the writers' negative limit
            v = v < scale - 1.0f ? v : scale - 1.0f;
            const auto k = static_cast<std::int16_t>(v + std::copysign(0.5f, v));
            if (md5_) {
                qToLittleEndian(k, out + i * 2);
            }
            print(static_cast<std::uint16_t>(k));
        }
    } else {
        const double scale = std::ldexp(1.0, bits_ - 1);
        for (std::size_t i = 0; i < count; ++i) {
            double v = static_cast<double>(samples[i]) * scale;
            v = v > -scale ? v : -scale;
            v = v < scale - 1.0 ? v : scale - 1.0;
            const auto k =
                static_cast<std::uint32_t>(static_cast<std::int32_t>(v + std::copysign(0.5, v)));
            for (std::size_t b = 0; md5_ && b < width; ++b) {
                out[i * width + b] = static_cast<unsigned char>(k >> (8 * b));
            }
            print(k);
        }
    }
    std::copy(std::begin(lanes), std::end(lanes), lanes_);
    count_ += count;
    if (md5_) {
        hash_.addData(bytes_);
    }
}

QString PcmMd5::Hex() {
    return md5_ ? QString::fromLatin1(hash_.result().toHex()) : QString();
}

std::uint64_t PcmMd5::Print() const {
    std::uint64_t h = count_;
    for (const std::uint64_t lane : lanes_) {
        h = (h ^ (lane >> 29) ^ lane) * 0xBF58476D1CE4E5B9ull;
    }
    return h;
}

void FedWriter::SetSourceFormat(int sampleRate, int channels) {
    writer_.SetSourceFormat(sampleRate, channels);
    rate_ = sampleRate;
    channels_ = channels;
}

void FedWriter::SetSourceBits(int bits) {
    writer_.SetSourceBits(bits);
    bits_ = bits;
}

void FedWriter::CreateOutput(const QString& fileName) {
    writer_.CreateOutput(fileName);
    frames_ = 0;
    notNumbers_ = 0;
    peak_ = 0;
    hash_.reset();
    const int bits = bits_ > 0 ? bits_ : 16;
    output_ = writer_.OutputPcm({rate_, channels_, bits, false});
    if (mayHash_ && KeepsSamples({rate_, channels_, bits, false}, output_)) {
        hash_ = std::make_unique<PcmMd5>(output_.bits, output_.floating, false);
    }
}

void FedWriter::TakeJoined(SplitRecord&& joined) {
    frames_ = joined.frames;
    rate_ = joined.rate;
    notNumbers_ = joined.notNumbers;
    peak_ = joined.peak;
    output_ = joined.output;
    hash_ = std::move(joined.hash);
}

void FedWriter::WriteBuffer(AudioBuffer& buffer) {
    const float* p = buffer.Data();
    const std::size_t n = buffer.SampleCount();
    float peak = 0;
    for (std::size_t i = 0; i < n; ++i) {
        if (!std::isfinite(p[i])) {
            ++notNumbers_;
        } else {
            peak = std::max(peak, std::fabs(p[i]));
        }
    }
    peak_ = std::max<double>(peak_, peak);
    if (hash_) {
        hash_->Add(p, n);
    }
    writer_.WriteBuffer(buffer);
    frames_ += static_cast<std::int64_t>(buffer.FrameCount());
}

bool ReadBackBlocks(IAudioFile2& reader, const std::function<void(const AudioBuffer&)>& each,
                    const CheckGoesOn& goOn, ReadBack& into) {
    for (;;) {
        if (!goOn()) {
            return false;
        }
        const AudioBuffer block = reader.ReadBuffer(kCheckBlockFrames);
        if (block.Empty()) {
            break;
        }
        into.frames += static_cast<std::int64_t>(block.FrameCount());
        into.peak = std::max<double>(into.peak, PeakOf(block));
        each(block);
    }
    into.notNumbers += reader.UnsafeSamples();
    return true;
}

bool KeepsSamples(const PcmFormat& source, const PcmFormat& output) {
    // A depth of no more than a float holds exactly, or floats kept as floats.
    return output.rate == source.rate && output.channels == source.channels &&
           (output.floating ? source.bits == 32 : output.bits == source.bits && source.bits <= 24);
}

bool RunKeepsSamples(const RunPlan& plan) {
    const OutputFormat* format = FindOutputFormat(plan.loop.format);
    const bool fades = (plan.loop.fadeIn && plan.loop.fadeInTime > 0) ||
                       (plan.loop.fadeOut && plan.loop.fadeOutTime > 0);
    return format && format->lossless && !fades && !plan.Normalize();
}

std::optional<OutputReceipt> CheckWrittenOutput(const RunPlan& plan, IAudioFile2& reader,
                                                FedWriter& fed, const WrittenOutput& out,
                                                const CheckGoesOn& goOn) {
    OutputReceipt r;
    r.checked = true;
    r.samplesIn = fed.Frames();
    r.rateIn = fed.Rate();
    const OutputFormat* format = FindOutputFormat(plan.loop.format);
    const bool lossless = format && format->lossless;
    Decoded d;
    std::unique_ptr<PcmMd5> hash =
        fed.Hashes() ? std::make_unique<PcmMd5>(fed.HashBits(), fed.HashFloating()) : nullptr;
    const ILoudnessMeter* meter = plan.Normalize() ? plan.loudness.meter : nullptr;
    std::int64_t slack = 0;
    if (format && format->countFrames) {
        // Counted from the file without decoding it, at the rate it says or was written with.
        d.frames = format->countFrames(out.path, d.rate);
        d.rate = d.rate > 0 ? d.rate : fed.Output().rate;
        slack = format->countSlack;
        if (slack > 0) {
            r.bound = QStringLiteral("counted from the file's size: up to %1 more").arg(slack);
        }
        if (d.frames < 0) {
            r.failure =
                Failed(QStringLiteral("the output cannot be read back (its pages are "
                                      "broken off)"));
            return r;
        }
    } else if (out.readBack && !meter) {
        if (!out.readBack->failure.isEmpty()) {
            r.failure = Failed(
                QStringLiteral("the output cannot be read back (%1)").arg(out.readBack->failure));
            return r;
        }
        static_cast<ReadBack&>(d) = *out.readBack;
    } else if (!TryDecode(reader, out.path, hash.get(), meter, goOn, d, r)) {
        return r;
    }
    if (d.stopped) {
        return std::nullopt;
    }
    r.rateOut = d.rate;
    r.samplesOut = d.frames;
    r.md5Out = d.md5;
    // The samples given are those read back when their prints agree, and so is their MD5.
    r.md5In = fed.Hashes() && fed.Print() == d.print ? d.md5 : QString();
    std::int64_t meant = r.samplesIn;
    if (r.rateIn > 0 && d.rate > 0 && d.rate != r.rateIn) {
        meant = std::llround(static_cast<double>(r.samplesIn) * d.rate / r.rateIn);
        slack += kResampleSlack;
        r.bound = QStringLiteral("resampled from %1 Hz to %2 Hz: within %3 samples")
                      .arg(r.rateIn)
                      .arg(d.rate)
                      .arg(slack);
    }
    if (fed.NotNumbers() > 0) {
        r.failure = Failed(NotNumbers(QStringLiteral("the writer was given"), fed.NotNumbers()));
    } else if (d.notNumbers > 0) {
        r.failure = Failed(NotNumbers(QStringLiteral("the output holds"), d.notNumbers));
    } else if (d.frames < meant - (r.rateOut != r.rateIn ? slack : 0) || d.frames > meant + slack) {
        r.failure = Failed(HoldsOf(d.frames, meant, d.rate));
    } else if (r.md5In != r.md5Out) {
        r.failure = Failed(QStringLiteral("the output's samples are not those written"));
    }
    if (r.failure.isEmpty()) {
        CheckTags(out, r);
    }
    if (plan.Normalize()) {
        CheckLevel(plan, lossless, fed.Peak(), d, out, r);
    }
    return r;
}

std::optional<OutputReceipt> CheckCopiedOutput(IAudioFile2& reader, const QString& input,
                                               bool lossless, const WrittenOutput& out,
                                               const CheckGoesOn& goOn) {
    OutputReceipt r;
    r.checked = true;
    // The input's own depth where it is lossless, so the MD5 is the one its format records;
    // else the decoded samples as they are.
    reader.Open(input);
    const int bits = reader.SourceBits();
    reader.Close();
    const bool integers = lossless && bits <= 24;
    PcmMd5 inHash(integers ? bits : 32, !integers, false);
    PcmMd5 outHash(integers ? bits : 32, !integers);
    const Decoded in = DecodeAll(reader, input, &inHash, nullptr, goOn);
    if (in.stopped) {
        return std::nullopt;
    }
    r.samplesIn = in.frames;
    r.rateIn = in.rate;
    Decoded d;
    if (!TryDecode(reader, out.path, &outHash, nullptr, goOn, d, r)) {
        return r;
    }
    if (d.stopped) {
        return std::nullopt;
    }
    r.samplesOut = d.frames;
    r.rateOut = d.rate;
    r.md5Out = d.md5;
    r.md5In = in.print == d.print ? d.md5 : QString();
    if (d.frames != in.frames) {
        r.failure = Failed(HoldsOf(d.frames, in.frames, d.rate));
    } else if (r.md5In != r.md5Out) {
        r.failure = Failed(QStringLiteral("the output's samples are not the input's"));
    }
    if (r.failure.isEmpty()) {
        CheckTags(out, r);
    }
    return r;
}

std::optional<OutputReceipt> CheckRowOutput(const RunPlan& plan, IAudioFile2& reader,
                                            FedWriter& fed, const QString& copiedFrom,
                                            WrittenOutput out, const QString& note,
                                            const CheckGoesOn& goOn) {
    out.gainsRewritten = plan.replayGain;
    out.note = note;
    return copiedFrom.isEmpty()
               ? CheckWrittenOutput(plan, reader, fed, out, goOn)
               : CheckCopiedOutput(reader, copiedFrom, plan.copyKeepsPcm, out, goOn);
}
