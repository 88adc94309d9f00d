#include "bench/bench_tools.h"

#include <sys/resource.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <cstdio>

#include "components/audio_file.h"
#include "components/component_error.h"
#include "outside/audio/audio_factory.h"

namespace {

double CpuSeconds() {
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage u{};
        getrusage(who, &u);
        total += static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
                 static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
    }
    return total;
}

}  // namespace

BenchTiming TimeRun(const std::function<void()>& work) {
    QElapsedTimer clock;
    const double cpu = CpuSeconds();
    clock.start();
    work();
    return {static_cast<double>(clock.nsecsElapsed()) / 1e9, CpuSeconds() - cpu};
}

void Compare(const char* name, const char* otherName, int runs, const std::function<void()>& ours,
             const std::function<void()>& other) {
    std::vector<double> wallA, wallB, cpuA, cpuB;
    for (int r = 0; r < runs; ++r) {
        const BenchTiming a = TimeRun(ours);
        const BenchTiming b = TimeRun(other);
        wallA.push_back(a.wall);
        cpuA.push_back(a.cpu);
        wallB.push_back(b.wall);
        cpuB.push_back(b.cpu);
    }
    const double x = Median(wallA);
    const double y = Median(wallB);
    std::printf(
        "%s: %.2f s (cpu %.2f s), %s %.2f s (cpu %.2f s), wall ratio %.2f, cpu ratio %.2f\n", name,
        x, Median(cpuA), otherName, y, Median(cpuB), x / y, Median(cpuA) / Median(cpuB));
    std::fflush(stdout);
}

void BenchRowsHost::AddFiles(const QStringList& paths) {
    for (const QString& path : paths) {
        ListRow row;
        row.caption = QFileInfo(path).fileName();
        row.path = path;
        rows.push_back(row);
    }
}

void BenchRowsHost::ShowInformation(const QString& text) {
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

void BenchRowsHost::ShowError(const QString& text) {
    throw ComponentError(text);
}

void BenchRowsHost::PumpMessages() {
    QCoreApplication::processEvents();
}

void BenchRowsHost::WaitForMessages() {
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

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
