#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QThread>

#include <csignal>

#include "../audio/audio_test_signals.h"
#include "outside/audio/audio_factory.h"
#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

class CliConvertTest : public ::testing::Test {
  protected:
    void Start(QProcess& p, const QStringList& args) {
        StartCli(p, QStringList{S("convert")} + args, dir.Path());
    }
    CliResult Run(const QStringList& args) {
        return RunCli(QStringList{S("convert")} + args, dir.Path(), 120000);
    }
    QString Input(const char* name, double seconds, double hz) {
        auto w = CreateAudioFile();
        w->SetWaveFormat(44100, 2, 16);
        const QString path = dir.File(S(name));
        WriteThrough(*w, path, 44100,
                     Sine(44100, 2, hz, static_cast<std::int64_t>(seconds * 44100), 0.4));
        return path;
    }
    QString Lines(const QStringList& triples) { return triples.join(QLatin1Char('\n')) + S("\n"); }

    TempDir dir;
};

// Parallel jobs give byte-identical outputs, with the result lines in input order.
TEST_F(CliConvertTest, TwoJobsWriteWhatOneJobWrites) {
    QDir().mkpath(dir.File(S("folder")));
    const QString a = Input("a.wav", 3, 440);
    const QString b = Input("b.wav", 1, 660);
    const QString c = Input("folder/c.wav", 2, 880);
    for (const char* mode : {"", "--normalize"}) {
        for (const char* format : {"mp3", "wav"}) {
            QStringList outputs;
            for (const char* jobs : {"1", "2"}) {
                const QString out = dir.File(S("out") + S(jobs) + S(format) + S(mode));
                QStringList args{
                    S("--jobs"), S(jobs), S("--format"),        S(format), S("--output"), out,
                    a,           b,       dir.File(S("folder"))};
                if (*mode) {
                    args.prepend(S(mode));
                }
                const CliResult r = Run(args);
                ASSERT_EQ(r.status, 0) << r.err.toStdString();
                const QString prefix = *mode ? S("Nor_") : S("");
                const QString ext = S(".") + S(format);
                EXPECT_EQ(
                    r.out,
                    Lines({S("finish\t") + a + S("\t") + out + S("/") + prefix + S("a") + ext,
                           S("finish\t") + b + S("\t") + out + S("/") + prefix + S("b") + ext,
                           S("finish\t") + c + S("\t") + out + S("/") + prefix + S("c") + ext}))
                    << jobs << format << mode;
                outputs << out;
            }
            for (const char* name : {"a", "b", "c"}) {
                const QString file = (*mode ? S("Nor_") : S("")) + S(name) + S(".") + S(format);
                EXPECT_EQ(ReadAll(outputs[0] + S("/") + file), ReadAll(outputs[1] + S("/") + file))
                    << file.toStdString();
            }
        }
    }
    // Overrides hold for the run only.
    EXPECT_FALSE(QFile::exists(dir.File(S("Quorvel.ini"))));
}

TEST_F(CliConvertTest, BadArgumentsAndBadInputs) {
    const QString a = Input("a.wav", 0.5, 440);
    for (const QStringList& args :
         {QStringList{S("--format"), S("ape"), a}, QStringList{S("--jobs"), S("0"), a},
          QStringList{}, QStringList{S("--fast"), a}, QStringList{S("--output")},
          QStringList{S("--pattern"), S("{artist}/{nonexistent}"), a}}) {
        const CliResult r = Run(args);
        EXPECT_EQ(r.status, 2) << args.join(S(" ")).toStdString();
        EXPECT_TRUE(r.out.isEmpty());
        EXPECT_TRUE(r.err.startsWith(S("quorvel-cli: "))) << r.err.toStdString();
    }
    // A stored pattern with a word that is no field stops the batch before anything is named.
    dir.Write(S("Quorvel.ini"), "[Names]\npattern={nonexistent}\n");
    const CliResult stored = Run({S("--output"), dir.File(S("never")), a});
    EXPECT_EQ(stored.status, 1);
    EXPECT_TRUE(stored.err.contains(S("{nonexistent}, which is not a field")))
        << stored.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(dir.File(S("never/{nonexistent}.mp3"))));
    QFile::remove(dir.File(S("Quorvel.ini")));
    // A folder with no audio is an input that failed, with its line.
    QDir().mkpath(dir.File(S("empty")));
    const CliResult empty = Run({S("--output"), dir.File(S("out")), dir.File(S("empty"))});
    EXPECT_EQ(empty.status, 1);
    EXPECT_EQ(empty.out, Lines({S("Error\t") + dir.File(S("empty")) + S("\t")}));
    // A refused input's line stands where the input stood, whatever the job count.
    const QString junk = dir.Write(S("junk.mp3"), QByteArray(4000, 'x'));
    const QString b = Input("b.wav", 0.5, 660);
    for (const char* jobs : {"1", "2"}) {
        const QString out = dir.File(S("out") + S(jobs));
        const CliResult r = Run({S("--jobs"), S(jobs), S("--output"), out, a, junk, b});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.out, Lines({S("finish\t") + a + S("\t") + out + S("/a.mp3"),
                                S("Error\t") + junk + S("\t"),
                                S("finish\t") + b + S("\t") + out + S("/b.mp3")}))
            << jobs;
        EXPECT_TRUE(r.err.contains(S("junk.mp3 this File is not supported.")));
    }
    // Every error line says whose it is, also when a batch fails several inputs.
    const QString junk2 = dir.Write(S("junk2.mp3"), QByteArray(4000, 'y'));
    const CliResult two =
        Run({S("--jobs"), S("2"), S("--output"), dir.File(S("out3")), junk, junk2});
    for (const QString& line : two.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        EXPECT_TRUE(line.startsWith(S("quorvel-cli: "))) << line.toStdString();
    }
}

// Ctrl-C stops the batch as Stop does: the file in progress is closed as far as written.
TEST_F(CliConvertTest, InterruptStopsAndDeletesTheFileInProgress) {
    const QString a = Input("long.wav", 120, 440);
    const QString out = dir.File(S("out"));
    QProcess p;
    Start(p, {S("--jobs"), S("1"), S("--output"), out, a});
    // Interrupted once the output is being written.
    for (int i = 0; i < 2000; ++i) {
        if (!QDir(out).entryList({S(".*")}, QDir::Files | QDir::Hidden).isEmpty()) {
            break;
        }
        QThread::msleep(10);
    }
    QThread::msleep(200);
    kill(static_cast<pid_t>(p.processId()), SIGINT);
    ASSERT_TRUE(p.waitForFinished(120000));
    EXPECT_EQ(p.exitCode(), 130);
    // The cut file is no result: nothing is left, not even the hidden one.
    EXPECT_EQ(QString::fromUtf8(p.readAllStandardOutput()), Lines({S("stopped\t") + a + S("\t")}));
    EXPECT_TRUE(QDir(out).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

// A run killed outright leaves nothing under a final name; what it left hidden never blocks a
// name and is cleared by the next run in that folder.
TEST_F(CliConvertTest, AKilledRunLeavesNoNameTakenAndItsDebrisIsCleared) {
    const QString a = Input("long.wav", 120, 440);
    const QString out = dir.File(S("out"));
    QProcess p;
    Start(p, {S("--jobs"), S("1"), S("--output"), out, a});
    for (int i = 0; i < 2000 && QDir(out).entryList(QDir::Files | QDir::Hidden).isEmpty(); ++i) {
        QThread::msleep(10);
    }
    QThread::msleep(200);
    kill(static_cast<pid_t>(p.processId()), SIGKILL);
    ASSERT_TRUE(p.waitForFinished(60000));
    const QStringList left = QDir(out).entryList(QDir::Files | QDir::Hidden);
    ASSERT_FALSE(left.isEmpty());
    for (const QString& name : left) {
        EXPECT_TRUE(name.startsWith(QLatin1Char('.'))) << name.toStdString();
    }

    const QString b = Input("short.wav", 1, 440);
    const CliResult second = Run({S("--output"), out, b, a});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out, Lines({S("finish\t") + b + S("\t") + out + S("/short.mp3"),
                                 S("finish\t") + a + S("\t") + out + S("/long.mp3")}));
    QDir folder(out);
    folder.setSorting(QDir::Name);
    EXPECT_EQ(folder.entryList(QDir::Files | QDir::Hidden),
              (QStringList{S("long.mp3"), S("short.mp3")}));
}

// Exit 0 only when every file finished; a run refused at the start fails every input; "--" ends
// the options; each input is one line however its name is spelt, as text or as JSON.
TEST_F(CliConvertTest, ResultLinesAndExitStatuses) {
    const QString a = Input("a.wav", 0.5, 440);
    const QString odd = Input("tab\there\nnew\\x.wav", 0.5, 660);
    const QString out = dir.File(S("out"));
    const QString notAnOption = QDir::current().absoluteFilePath(S("--json"));
    struct Case {
        const char* ini;
        QStringList args;
        int status;
        QString lines;
    };
    const std::vector<Case> cases{
        {"[mp3]\nbitrate=-1\n",
         {a, odd},
         1,
         Lines({S("Error\t") + a + S("\t"),
                S("Error\t") + dir.File(S("tab\\there\\nnew\\\\x.wav")) + S("\t")})},
        {"[Format]\nint=11\n", {a}, 1, Lines({S("Error\t") + a + S("\t")})},
        {"", {S("--"), notAnOption}, 1, Lines({S("Error\t") + notAnOption + S("\t")})},
        {"",
         {S("--output"), out, S("--"), odd},
         0,
         Lines({S("finish\t") + dir.File(S("tab\\there\\nnew\\\\x.wav")) + S("\t") + out +
                S("/tab_here_new\\\\x.mp3")})},
        {"",
         {S("--json"), S("--output"), out + S("2"), odd},
         0,
         S("{\"status\":\"finish\",\"input\":\"") + dir.Path() +
             S("/tab\\there\\nnew\\\\x.wav\",\"part\":null,\"output\":\"") + out +
             S("2/tab_here_new\\\\x.mp3\",\"seconds\":")},
    };
    for (const Case& c : cases) {
        dir.Write(S("Quorvel.ini"), c.ini);
        const CliResult r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.ini << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(c.lines)) << r.out.toStdString();
        EXPECT_EQ(r.out.count(QLatin1Char('\n')), c.args.size() - c.args.count(S("--")) -
                                                      2 * c.args.count(S("--output")) -
                                                      c.args.count(S("--json")));
    }
}

// SIGTERM and SIGHUP stop like Ctrl-C: the file in progress is stopped, the rest skipped, every
// input keeps its line, and the exit status names the signal.
TEST_F(CliConvertTest, TermAndHangUpStopTheBatchWithEveryLine) {
    const QString a = Input("long.wav", 120, 440);
    const QString b = Input("short.wav", 0.5, 440);
    for (const auto& [signal, status] : {std::pair{SIGTERM, 143}, std::pair{SIGHUP, 129}}) {
        const QString out = dir.File(S("out%1").arg(signal));
        QProcess p;
        Start(p, {S("--jobs"), S("1"), S("--output"), out, a, b});
        // Once the first file is being written.
        for (int i = 0; i < 2000 && QDir(out).entryList(QDir::Files | QDir::Hidden).isEmpty();
             ++i) {
            QThread::msleep(5);
        }
        kill(static_cast<pid_t>(p.processId()), signal);
        ASSERT_TRUE(p.waitForFinished(120000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), status);
        const QStringList lines =
            QString::fromUtf8(p.readAllStandardOutput()).split(QLatin1Char('\n'));
        ASSERT_EQ(lines.size(), 3) << lines.join(S("|")).toStdString();
        EXPECT_EQ(lines[0], S("stopped\t") + a + S("\t"));
        EXPECT_EQ(lines[1], S("skipped\t") + b + S("\t"));
        // The cut file is gone, hidden part and all.
        EXPECT_TRUE(QDir(out).entryList(QDir::Files | QDir::Hidden).isEmpty());
    }
}

// A library tree walked and mirrored, with the inputs named on standard input; the second run
// skips every converted file and still exits 0.
TEST_F(CliConvertTest, FromStandardInputRecursiveMirrorAndSkip) {
    const QString lib = dir.File(S("lib"));
    QDir().mkpath(dir.File(S("lib/Ärger/Büro")));
    const QString a = Input("lib/a.wav", 0.2, 440);
    const QString b = Input("lib/Ärger/b.wav", 0.2, 550);
    const QString c = Input("lib/Ärger/Büro/c.wav", 0.2, 660);
    const QString out = dir.File(S("out"));
    const QStringList args{S("--format"), S("wav"),      S("--jobs"), S("2"),      S("--recursive"),
                           S("--mirror"), S("--output"), out,         S("--from"), S("-")};
    for (const char* status : {"finish", "exists"}) {
        QProcess p;
        Start(p, QStringList{S("--existing"), S("skip")} + args);
        p.write((lib + S("\n\n")).toUtf8());  // a folder, and a blank line that adds nothing
        p.closeWriteChannel();
        ASSERT_TRUE(p.waitForFinished(120000));
        const QString lines = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_EQ(p.exitCode(), 0) << QString::fromUtf8(p.readAllStandardError()).toStdString();
        EXPECT_EQ(lines, Lines({S(status) + S("\t") + a + S("\t") + out + S("/a.wav"),
                                S(status) + S("\t") + b + S("\t") + out + S("/Ärger/b.wav"),
                                S(status) + S("\t") + c + S("\t") + out + S("/Ärger/Büro/c.wav")}))
            << status;
    }
    const CliResult bad = Run({S("--existing"), S("sometimes"), a});
    EXPECT_EQ(bad.status, 2);
    const CliResult missing = Run({S("--from"), dir.File(S("no-such-list"))});
    EXPECT_EQ(missing.status, 2);
    EXPECT_TRUE(missing.err.contains(S("no-such-list"))) << missing.err.toStdString();
}

// --beside puts each output into its input's folder, the pattern's folders below it, whatever
// --output says; an output that would take its input's own name is numbered, the input untouched.
TEST_F(CliConvertTest, BesideSavesNextToEachInputAndNeverReplacesIt) {
    QDir().mkpath(dir.File(S("lib/disc")));
    const QString out = dir.File(S("out"));
    struct Case {
        const char* input;
        QStringList flags;
        const char* output;  // relative to the working folder
    } const cases[] = {
        {"lib/disc/a.wav",
         {S("--pattern"), S("{artist}/{title}")},
         "lib/disc/Unknown Artist/a.wav"},
        {"lib/b.wav", {}, "lib/b_1.wav"},
        {"lib/c.wav", {S("--existing"), S("skip")}, "lib/c_1.wav"},
        {"lib/d.wav", {S("--existing"), S("update")}, "lib/d_1.wav"},
    };
    for (const Case& c : cases) {
        const QString input = Input(c.input, 0.2, 440);
        QFile in(input);
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        const QByteArray before = in.readAll();
        in.close();
        const CliResult r =
            Run(QStringList{S("--beside"), S("--format"), S("wav"), S("--output"), out} + c.flags +
                QStringList{input});
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, Lines({S("finish\t") + input + S("\t") + dir.File(S(c.output))}))
            << c.input;
        ASSERT_TRUE(in.open(QIODevice::ReadOnly));
        EXPECT_EQ(in.readAll(), before) << c.input;
        EXPECT_TRUE(QFileInfo(dir.File(S(c.output))).size() > 44) << c.output;
    }
    EXPECT_TRUE(QDir(out).isEmpty());
}

// What independent tools say of a file: its audio packets' MD5 (ffmpeg, no decoding), the bytes
// after its ID3v2 tag, its sample rate and bit rate, and its tag keys (mutagen).
QString Inspect(const QString& file) {
    static const char kScript[] = R"(import sys, subprocess, hashlib, mutagen
f = sys.argv[1]
md5 = subprocess.run(['ffmpeg', '-v', 'error', '-i', f, '-map', '0:a', '-c', 'copy', '-f', 'md5',
                      '-'], capture_output=True, text=True, check=True).stdout.strip()
data = open(f, 'rb').read()
if data[:3] == b'ID3':
    data = data[10 + ((data[6] << 21) | (data[7] << 14) | (data[8] << 7) | data[9]):]
m = mutagen.File(f)
keys = sorted(k.lower() for k in (m.tags.keys() if m is not None and m.tags else []))
info = m.info if m is not None else None
print(md5, hashlib.md5(data).hexdigest(), getattr(info, 'sample_rate', 0),
      getattr(info, 'bitrate', 0), ' '.join(keys))
)";
    QProcess p;
    p.start(S("/usr/bin/python3"), {S("-c"), S(kScript), file});
    p.waitForFinished(60000);
    EXPECT_EQ(p.exitCode(), 0) << file.toStdString() << p.readAllStandardError().toStdString();
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// [Convert] same format=copy: an input already in the output format is its own audio, byte for
// byte, plus the tags the run gives it (ReplayGain here), remarked "copied"; a run that changes
// something (a fade, a sample rate, normalisation) converts it instead.
TEST_F(CliConvertTest, SameFormatInputsAreCopiedWithTheirNewTags) {
    const QString wav = Input("a.wav", 1.5, 440);
    const QString in = dir.File(S("in"));
    const char* formats[] = {"mp3", "flac", "ogg", "opus", "m4a"};
    for (const char* format : formats) {
        ASSERT_EQ(Run({S("--format"), S(format), S("--output"), in, wav}).status, 0) << format;
    }
    QFile::copy(wav, in + S("/a.wav"));
    dir.Write(S("Quorvel.ini"), "[Convert]\nsame format=copy\n");
    const QString out = dir.File(S("out"));
    for (const char* format : {"mp3", "flac", "ogg", "opus", "m4a", "wav"}) {
        const QString input = in + S("/a.") + S(format);
        const CliResult r = Run(
            {S("--json"), S("--replaygain"), S("--format"), S(format), S("--output"), out, input});
        ASSERT_EQ(r.status, 0) << format << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(S("\"note\":\"copied"))) << format << r.out.toStdString();
        const QString output = out + S("/a.") + S(format);
        const QStringList before = Inspect(input).split(u' ');
        const QStringList after = Inspect(output).split(u' ');
        ASSERT_GE(after.size(), 4) << format;
        EXPECT_EQ(after[0], before[0]) << format << ": the audio packets differ";
        if (QLatin1String(format) == QLatin1String("mp3")) {
            EXPECT_EQ(after[1], before[1]) << "the MP3 bytes after the tag differ";
        }
        if (QLatin1String(format) != QLatin1String("wav")) {
            EXPECT_TRUE(after.join(u' ').contains(QLatin1String("_track_gain")))
                << format << after.join(u' ').toStdString();
        }
        QFile::remove(output);
    }
    // Something to change converts: a sample rate for this run, a fade, normalisation.
    const struct {
        const char* ini;
        QStringList args;
        const char* rate;  // of the output
    } converts[] = {
        {"", {S("--format"), S("flac"), S("--rate"), S("22050")}, "22050"},
        {"[Fade]\nIn=1\nIntime=1\n", {S("--format"), S("flac")}, "44100"},
        {"", {S("--format"), S("flac"), S("--normalize")}, "44100"},
    };
    for (const auto& c : converts) {
        dir.Write(S("Quorvel.ini"), QByteArray("[Convert]\nsame format=copy\n") + c.ini);
        const CliResult r = Run(QStringList{S("--json"), S("--output"), out} + c.args +
                                QStringList{in + S("/a.flac")});
        ASSERT_EQ(r.status, 0) << c.ini << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(S("\"note\":\"\""))) << c.ini << r.out.toStdString();
        const QString output =
            QDir(out).absoluteFilePath(QDir(out).entryList({S("*.flac")}, QDir::Files).value(0));
        const QStringList after = Inspect(output).split(u' ');
        ASSERT_GE(after.size(), 3);
        EXPECT_NE(after[0], Inspect(in + S("/a.flac")).split(u' ')[0]) << c.ini;
        EXPECT_EQ(after[2], S(c.rate)) << c.ini;
        QFile::remove(output);
    }
}

// Encoder options set the chosen format's keys for this run only, checked as the settings file's
// values are; a format without the option says which it has.
TEST_F(CliConvertTest, EncoderOptionsHoldForTheRunOnly) {
    const QString a = Input("a.wav", 1, 440);
    const QString b = Input("b.wav", 1, 660);
    const QString out = dir.File(S("out"));
    const CliResult mp3 =
        Run({S("--format"), S("mp3"), S("--bitrate"), S("192"), S("--output"), out, a});
    ASSERT_EQ(mp3.status, 0) << mp3.err.toStdString();
    EXPECT_EQ(qRound(Inspect(out + S("/a.mp3")).split(u' ').value(3).toDouble() / 1000), 192);
    // Job threads read their own copy of the settings: it carries the run's values too.
    const CliResult flac = Run({S("--jobs"), S("2"), S("--rate"), S("22050"), S("--format"),
                                S("flac"), S("--output"), out, a, b});
    ASSERT_EQ(flac.status, 0) << flac.err.toStdString();
    for (const char* name : {"/a.flac", "/b.flac"}) {
        EXPECT_EQ(Inspect(out + S(name)).split(u' ').value(2), S("22050")) << name;
    }
    // A WAV rate means something only in the chosen-layout mode, which it picks.
    ASSERT_EQ(Run({S("--format"), S("wav"), S("--rate"), S("22050"), S("--output"), out, a}).status,
              0);
    EXPECT_EQ(Inspect(out + S("/a.wav")).split(u' ').value(2), S("22050"));
    EXPECT_FALSE(QFile::exists(dir.File(S("Quorvel.ini"))));

    const struct {
        QStringList args;
        const char* message;
    } refused[] = {
        {{S("--format"), S("wav"), S("--level"), S("3")},
         "quorvel-cli: convert: the WAV format has no --level; its options are --rate, --bits\n"},
        {{S("--format"), S("flac"), S("--level"), S("9")},
         "quorvel-cli: convert: [flac] level = 9 is outside 0..8; pick a value in Settings\n"},
        {{S("--format"), S("ogg"), S("--quality"), S("11")},
         "quorvel-cli: convert: [ogg] quality = 11 is outside -1..10; pick a value in Settings\n"},
        {{S("--bitrate"), S("fast"), S("--format"), S("opus")},
         "quorvel-cli: convert: --bitrate needs a number, not 'fast'\n"},
        {{S("--format"), S("flac"), S("--level")}, "quorvel-cli: convert: --level needs a value\n"},
        {{S("--vbr"), S("1"), S("--format"), S("flac")},
         "quorvel-cli: convert: the FLAC format has no --vbr; its options are --level, --rate, "
         "--bits, "
         "--dither\n"},
    };
    for (const auto& r : refused) {
        const CliResult c = Run(QStringList{a} + r.args);
        EXPECT_EQ(c.status, 2) << r.message;
        EXPECT_EQ(c.err, S(r.message));
        EXPECT_TRUE(c.out.isEmpty());
    }
}

// What python3's json module reads in each line of `text`: the receipt's fields and the output,
// space-separated, a line each.
QString JsonFields(const QString& text) {
    QProcess p;
    p.start(S("/usr/bin/python3"),
            {S("-c"),
             S("import json, sys\n"
               "for line in sys.stdin.read().splitlines():\n"
               "    o = json.loads(line)\n"
               "    print(' '.join(str(eval(f, {}, {'o': o})) for f in sys.argv[1:]))\n"),
             S("o['check']['passed']"), S("o['check']['samples_in']"),
             S("o['check']['samples_out']"), S("o['check']['md5_in']"), S("o['check']['md5_out']"),
             S("o['check']['tags_written']"), S("o['check']['tags_not_placed']"),
             S("o['check']['peak']"), S("o['output']"), S("o['part']")});
    p.write(text.toUtf8());
    p.closeWriteChannel();
    p.waitForFinished(60000);
    return QString::fromUtf8(p.readAllStandardOutput());
}

// --json lines carry the check of their output and --receipts appends it, one JSON line per
// finished output; a receipts file that cannot be written refuses the run before it starts;
// [Convert] check=off checks nothing.
TEST_F(CliConvertTest, EveryFinishedOutputHasItsReceipt) {
    const QString a = Input("a.wav", 2, 440);
    const QString out = dir.File(S("out"));
    const QString receipts = dir.File(S("receipts.jsonl"));
    const QStringList args{S("--format"), S("flac"),       S("--output"), out,
                           S("--json"),   S("--receipts"), receipts,      a};
    const CliResult r = Run(args);
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    const QString flac = out + S("/a.flac");
    QProcess md5;
    md5.start(S("metaflac"), {S("--show-md5sum"), flac});
    ASSERT_TRUE(md5.waitForFinished(60000));
    const QString streamMd5 = QString::fromLatin1(md5.readAllStandardOutput()).trimmed();
    ASSERT_EQ(streamMd5.size(), 32) << "metaflac is missing: run scripts/setup";
    const QString fields = S("True 88200 88200 ") + streamMd5 + S(" ") + streamMd5 +
                           S(" [] [] None ") + flac + S(" None\n");
    EXPECT_EQ(JsonFields(r.out), fields);
    QFile file(receipts);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(JsonFields(QString::fromUtf8(file.readAll())), fields);
    file.close();

    // Appended to, by a run without --json too; nothing for an output not written.
    const CliResult again = Run({S("--format"), S("mp3"), S("--output"), out, S("--receipts"),
                                 receipts, a, dir.File(S("missing.wav"))});
    EXPECT_EQ(again.status, 1);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
    file.close();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_TRUE(JsonFields(lines[1]).startsWith(S("True 88200 88200 None None ")))
        << lines[1].toStdString();

    // A track's line and receipt say which part of its image it holds.
    dir.Write(S("a.cue"),
              "FILE \"a.wav\" WAVE\n TRACK 01 AUDIO\n  INDEX 01 00:00:00\n"
              " TRACK 02 AUDIO\n  INDEX 01 00:01:00\n");
    const CliResult tracks = Run({S("--format"), S("flac"), S("--output"), dir.File(S("tracks")),
                                  S("--json"), dir.File(S("a.cue"))});
    EXPECT_EQ(tracks.status, 0) << tracks.err.toStdString();
    const QString sheet = S("{'sheet': '") + dir.File(S("a.cue"));
    const QStringList trackLines = JsonFields(tracks.out).split(u'\n', Qt::SkipEmptyParts);
    ASSERT_EQ(trackLines.size(), 2) << tracks.out.toStdString();
    EXPECT_TRUE(trackLines[0].endsWith(sheet + S("', 'start': 0, 'end': 44100}")))
        << trackLines[0].toStdString();
    EXPECT_TRUE(trackLines[1].endsWith(sheet + S("', 'start': 44100, 'end': None}")))
        << trackLines[1].toStdString();

    const CliResult refused =
        Run({S("--output"), dir.File(S("out2")), S("--receipts"), dir.Path(), a});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, S("quorvel-cli: convert: cannot write the receipts to ") + dir.Path() +
                               S(": it is a folder\n"));
    EXPECT_TRUE(refused.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.File(S("out2"))));

    QFile ini(dir.File(S("Quorvel.ini")));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Convert]\ncheck=off\n");
    ini.close();
    const CliResult off = Run({S("--output"), dir.File(S("out3")), S("--json"), a});
    EXPECT_EQ(off.status, 0);
    EXPECT_TRUE(off.out.trimmed().endsWith(S(",\"check\":null}"))) << off.out.toStdString();
}

}  // namespace

namespace {

// Only an input whose output finished leaves for the Trash, where trash-cli (an independent
// reader of the layout) lists it under its old path; a failed, a skipped or a kept one stays.
TEST_F(CliConvertTest, OriginalsLeaveForTheTrashOnlyOnceConverted) {
    const QString a = Input("a.wav", 0.3, 440);
    const QString b = Input("b.wav", 0.3, 550);
    const QString junk = dir.Write(S("junk.mp3"), QByteArray(4000, 'x'));
    const QString out = dir.File(S("out"));
    const CliResult kept = Run({S("--output"), out, b});
    ASSERT_EQ(kept.status, 0) << kept.err.toStdString();
    const CliResult r = Run(
        {S("--originals"), S("trash"), S("--existing"), S("skip"), S("--output"), out, a, junk, b});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out,
              Lines({S("finish\t") + a + S("\t") + out + S("/a.mp3"), S("Error\t") + junk + S("\t"),
                     S("exists\t") + b + S("\t") + out + S("/b.mp3")}));
    EXPECT_TRUE(r.err.contains(S("1 original moved to the Trash"))) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(a));
    EXPECT_TRUE(QFile::exists(junk));
    EXPECT_TRUE(QFile::exists(b));

    QProcess list;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(S("XDG_DATA_HOME"), dir.File(S(".local/share")));
    list.setProcessEnvironment(env);
    list.start(S("trash-list"), {});
    ASSERT_TRUE(list.waitForFinished(30000)) << "trash-list (Debian trash-cli) is needed";
    const QString listed = QString::fromUtf8(list.readAllStandardOutput());
    EXPECT_TRUE(listed.trimmed().endsWith(S(" ") + a)) << listed.toStdString();
    EXPECT_EQ(listed.count(QLatin1Char('\n')), 1) << listed.toStdString();

    EXPECT_EQ(Run({S("--originals"), S("bin"), b}).status, 2);
    // Unchecked outputs never let their originals go.
    dir.Write(S("Quorvel.ini"), "[Convert]\ncheck=off\n");
    const CliResult unchecked = Run({S("--originals"), S("trash"), S("--output"), out, b});
    EXPECT_EQ(unchecked.status, 0) << unchecked.err.toStdString();
    EXPECT_TRUE(QFile::exists(b));
    EXPECT_TRUE(unchecked.err.contains(S("The originals stay where they are")));
    QFile::remove(dir.File(S("Quorvel.ini")));
}

}  // namespace

namespace {

bool RawExists(const QByteArray& path) {
    return ::access(path.constData(), F_OK) == 0;
}

// A name that is not UTF-8 (Latin-1 "Björk", as old systems and Samba shares hold them) is found
// by the folder scan, taken from the arguments and from --from, converted, and its output keeps
// the very bytes, in a mirrored sub-folder of such a name too; JSON gives each byte back as the
// escape Python's surrogateescape reads.
TEST_F(CliConvertTest, NamesThatAreNotUtf8AreConvertedAndKeepTheirBytes) {
    const QByteArray root = QFile::encodeName(dir.Path());
    const QByteArray folder = root + "/lib/Ordner\xe4";
    ASSERT_TRUE(QDir().mkpath(dir.File(S("lib"))));
    ASSERT_EQ(::mkdir(folder.constData(), 0755), 0);
    const QByteArray raw = folder + "/Bj\xf6rk.wav";
    ASSERT_EQ(::rename(QFile::encodeName(Input("Bj.wav", 0.3, 440)).constData(), raw.constData()),
              0);
    Input("lib/normal.wav", 0.3, 440);
    struct Case {
        const char* how;
        QByteArray inputs;  // the end of the command line, in bytes
        QByteArray output;  // below the output folder
    };
    const Case cases[] = {
        {"folder", "--recursive --mirror '" + root + "/lib'", "/Ordner\xe4/Bj\xf6rk.flac"},
        {"argument", "'" + raw + "'", "/Bj\xf6rk.flac"},
        {"from", "--from - < '" + root + "/list'", "/Bj\xf6rk.flac"},
    };
    QFile list(dir.File(S("list")));
    ASSERT_TRUE(list.open(QIODevice::WriteOnly));
    list.write(raw + "\n");
    list.close();
    for (const Case& c : cases) {
        const QByteArray out = root + "/out-" + c.how;
        // Through a shell script: QProcess would give every argument as UTF-8.
        QFile script(dir.File(S("run.sh")));
        ASSERT_TRUE(script.open(QIODevice::WriteOnly));
        script.write("exec '" QUORVEL_BIN_DIR
                     "/quorvel-cli' convert --format flac --json --output '" +
                     out + "' " + c.inputs + "\n");
        script.close();
        QProcess shell;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(S("HOME"), dir.Path());
        env.insert(S("XDG_CONFIG_HOME"), dir.Path());
        shell.setProcessEnvironment(env);
        shell.start(S("sh"), {dir.File(S("run.sh"))});
        ASSERT_TRUE(shell.waitForFinished(120000));
        const QString lines = QString::fromUtf8(shell.readAllStandardOutput());
        EXPECT_EQ(shell.exitCode(), 0)
            << c.how << QString::fromUtf8(shell.readAllStandardError()).toStdString();
        EXPECT_TRUE(lines.contains(S("\"input\":\"") + dir.Path() +
                                   S("/lib/Ordner\\udce4/Bj\\udcf6rk.wav\"")))
            << c.how << lines.toStdString();
        EXPECT_TRUE(RawExists(out + c.output)) << c.how;
    }
    // QTemporaryDir cannot remove what Qt cannot name.
    QProcess::execute(S("rm"), {S("-rf"), dir.File(S("lib")), dir.File(S("out-folder")),
                                dir.File(S("out-argument")), dir.File(S("out-from"))});
}

}  // namespace
