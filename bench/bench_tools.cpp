#include "bench/bench_tools.h"

#include <QProcess>
#include <algorithm>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "outside/audio/audio_factory.h"

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void RunTool(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(-1) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0) {
        throw ComponentError(QStringLiteral("%1 failed").arg(program));
    }
}

void ConvertBare(const QString& in, const QString& out,
                 const std::function<void(IAudioFile2&)>& configure) {
    auto reader = CreateAudioFile();
    auto writer = CreateAudioFile();
    reader->Open(in);
    configure(*writer);
    writer->SetSourceFormat(reader->PcmSampleRate(), reader->PcmChannels());
    writer->SetSourceBits(reader->SourceBits());
    writer->CreateOutput(out);
    for (;;) {
        AudioBuffer block = reader->ReadBuffer(2034);  // the conversion's block
        if (block.UpperBound() < 0) {
            break;
        }
        writer->WriteBuffer(block);
    }
    reader->Close();
    writer->Close();
}
