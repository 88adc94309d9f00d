#include "tag_test_support.h"

#include <ogg/ogg.h>
#include <vorbis/codec.h>
#include <vorbis/vorbisenc.h>
#include <vorbis/vorbisfile.h>

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>
#include <cmath>
#include <stdexcept>

namespace {

const QString kPython = QStringLiteral("/usr/bin/python3");

const char kReadScript[] = R"PY(
import json, sys
fmt, path = sys.argv[1], sys.argv[2]
out = {}
try:
    if fmt == "mp3":
        from mutagen.id3 import ID3
        tag = ID3(path, translate=False)
        for frame in tag.values():
            out[frame.FrameID] = str(frame.text[0]) if frame.text else ""
        out["version"] = "%d.%d" % (tag.version[1], tag.version[2])
    elif fmt == "ogg":
        from mutagen.oggvorbis import OggVorbis
        f = OggVorbis(path)
        out["comments"] = [[k, v] for k, v in f.tags]
        out["vendor"] = f.tags.vendor
    else:
        from mutagen.asf import ASF
        f = ASF(path)
        for k, v in f.tags.items():
            out[k] = [str(x) for x in v]
except Exception as e:
    out = {"error": repr(e)}
print(json.dumps(out))
)PY";

}  // namespace

QFileDevice::Permissions ModeOf(const QString& path) {
    return QFile::permissions(path) &
           ~(QFileDevice::ReadUser | QFileDevice::WriteUser | QFileDevice::ExeUser);
}

bool MutagenAvailable() {
    static const bool available =
        QFileInfo::exists(kPython) &&
        QProcess::execute(kPython, {QStringLiteral("-c"), QStringLiteral("import mutagen")}) == 0;
    return available;
}

QJsonObject MutagenRead(const QString& format, const QString& path) {
    if (!MutagenAvailable()) {
        return {};
    }
    QProcess process;
    process.start(kPython, {QStringLiteral("-c"), QString::fromUtf8(kReadScript), format, path});
    process.waitForFinished(60000);
    return QJsonDocument::fromJson(process.readAllStandardOutput()).object();
}

bool MutagenRun(const QString& script, const QString& path) {
    return MutagenAvailable() &&
           QProcess::execute(kPython, {QStringLiteral("-c"), script, path}) == 0;
}

void WriteOggFixture(const QString& path, const QStringList& comments, bool setupSharesPage,
                     int frames) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        throw std::runtime_error("cannot create the Ogg fixture");
    }
    auto put = [&](const ogg_page& page) {
        file.write(reinterpret_cast<const char*>(page.header), page.header_len);
        file.write(reinterpret_cast<const char*>(page.body), page.body_len);
    };
    vorbis_info info;
    vorbis_info_init(&info);
    vorbis_encode_init_vbr(&info, 1, 22050, 0.1f);
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    for (const QString& c : comments) {
        vorbis_comment_add(&vc, c.toUtf8().constData());
    }
    vorbis_dsp_state dsp;
    vorbis_block block;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, 0x5157);
    ogg_packet id, comment, setup;
    vorbis_analysis_headerout(&dsp, &vc, &id, &comment, &setup);
    ogg_stream_packetin(&stream, &id);
    ogg_stream_packetin(&stream, &comment);
    ogg_stream_packetin(&stream, &setup);
    ogg_page page;
    if (!setupSharesPage) {
        while (ogg_stream_flush(&stream, &page) != 0) {
            put(page);
        }
    }
    const int chunk = 1024;
    bool ended = false;
    for (int done = 0; !ended;) {
        const int n = std::min(chunk, frames - done);
        if (n > 0) {
            float** buffer = vorbis_analysis_buffer(&dsp, n);
            for (int i = 0; i < n; ++i) {
                buffer[0][i] = 0.3f * std::sin(2.0 * M_PI * 440.0 * (done + i) / 22050.0);
            }
        }
        vorbis_analysis_wrote(&dsp, n > 0 ? n : 0);
        done += n > 0 ? n : 0;
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            ogg_packet packet;
            while (vorbis_bitrate_flushpacket(&dsp, &packet) == 1) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page) != 0) {
                    put(page);
                    ended = ogg_page_eos(&page) != 0;
                }
            }
        }
        if (n <= 0 && !ended) {
            while (ogg_stream_flush(&stream, &page) != 0) {
                put(page);
                ended = ogg_page_eos(&page) != 0;
            }
        }
    }
    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&info);
}

int RunTool(const QString& program, const QStringList& arguments, QString* output) {
    const QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty()) {
        return -1;
    }
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(found, arguments);
    process.waitForFinished(60000);
    if (output != nullptr) {
        *output = QString::fromUtf8(process.readAll());
    }
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
}

QList<QByteArray> ReadOggPackets(const QString& path, QString* error, int stream) {
    QList<QByteArray> packets;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open");
        return packets;
    }
    const QByteArray bytes = file.readAll();
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    char* buffer = ogg_sync_buffer(&sync, bytes.size());
    memcpy(buffer, bytes.constData(), static_cast<size_t>(bytes.size()));
    ogg_sync_wrote(&sync, bytes.size());
    ogg_stream_state state;
    bool started = false;
    bool eos = false;
    int firstPages = 0;
    ogg_page page;
    for (int r; (r = ogg_sync_pageout(&sync, &page)) != 0;) {
        if (r < 0) {
            *error = QStringLiteral("bytes outside pages or a bad checksum");
            continue;
        }
        if (!started && ogg_page_bos(&page) && firstPages++ == stream) {
            ogg_stream_init(&state, ogg_page_serialno(&page));
            started = true;
        }
        if (!started || ogg_page_serialno(&page) != state.serialno) {
            continue;
        }
        eos = eos || ogg_page_eos(&page);
        ogg_stream_pagein(&state, &page);
        ogg_packet packet;
        for (int p; (p = ogg_stream_packetout(&state, &packet)) != 0;) {
            if (p < 0) {
                *error = QStringLiteral("gap in the page sequence");
                continue;
            }
            packets.append(QByteArray(reinterpret_cast<const char*>(packet.packet),
                                      static_cast<qsizetype>(packet.bytes)));
        }
    }
    if (!eos) {
        *error = QStringLiteral("no end-of-stream page");
    }
    if (started) {
        ogg_stream_clear(&state);
    }
    ogg_sync_clear(&sync);
    return packets;
}

long long DecodeOggFrames(const QString& path) {
    OggVorbis_File vf;
    if (ov_fopen(QFile::encodeName(path).constData(), &vf) != 0) {
        return -1;
    }
    long long frames = 0;
    char pcm[8192];
    int section = 0;
    for (long got; (got = ov_read(&vf, pcm, sizeof pcm, 0, 2, 1, &section)) != 0;) {
        if (got < 0) {
            ov_clear(&vf);
            return -1;
        }
        frames += got / 2;
    }
    ov_clear(&vf);
    return frames;
}
