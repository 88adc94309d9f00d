#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QString>
#include <QStringList>

#include <QFileDevice>

// The owner, group and other permission bits of a file.
QFileDevice::Permissions ModeOf(const QString& path);

// What python3-mutagen (an independent reader) finds in a file: for "mp3" {frame id: text}, for
// "ogg" {"comments": [[key, value]...], "vendor": text}, for "wma" {attribute: [texts]}.
// Empty when mutagen is not available (the caller skips) or cannot read the file ("error" set).
QJsonObject MutagenRead(const QString& format, const QString& path);
// Runs a mutagen script on path (sys.argv[1]); true when it exited 0.
bool MutagenRun(const QString& script, const QString& path);
bool MutagenAvailable();

// A small Ogg Vorbis file (mono sine) with the given comments ("KEY=value"). When
// setupSharesPage is set, the first audio packets go on the page that ends the setup header.
void WriteOggFixture(const QString& path, const QStringList& comments, bool setupSharesPage = false,
                     int frames = 22050);
// Every packet of the stream-th logical stream (in the order of their first pages), in order.
// error is set on a bad checksum, a gap in the page sequence, or a stream that does not end
// cleanly.
QList<QByteArray> ReadOggPackets(const QString& path, QString* error, int stream = 0);
// Runs an independent tool (ogginfo, ffprobe ...) on the arguments: its exit status and, in
// output, what it printed; -1 when the tool is not installed.
int RunTool(const QString& program, const QStringList& arguments, QString* output = nullptr);
// The number of sample frames that decode from the file, -1 when it does not decode.
long long DecodeOggFrames(const QString& path);
