// `quorvel-cli tags --set` on the formats TagLib edits: only the named fields change, with
// mutagen and ffmpeg (through tags_edit_tool.py) as the judges of everything else in the file.
#include <gtest/gtest.h>

#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "support/cli_run.h"
#include "support/temp_dir.h"

namespace {

#define S QStringLiteral

// Runs the tool; a missing python3, mutagen or ffmpeg fails the test.
QByteArray Tool(const QStringList& args) {
    QProcess p;
    p.start(S("/usr/bin/python3"), QStringList{S(QUORVEL_TAGS_EDIT_TOOL)} + args);
    const bool ran =
        p.waitForFinished(120000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    EXPECT_TRUE(ran) << args.join(QLatin1Char(' ')).toStdString() << ": "
                     << p.readAllStandardError().toStdString();
    return ran ? p.readAllStandardOutput() : QByteArray();
}

QJsonObject Dump(const QString& path) {
    return QJsonDocument::fromJson(Tool({S("dump"), path})).object();
}

TEST(CliTagsEdit, ChangesOnlyTheNamedFieldsOfEveryFormat) {
    struct Case {
        const char* kind;
        const char* file;
        QStringList set;
        QJsonObject changed;  // mutagen's key: the new values as text
    };
    const QStringList titleAndTrack = {S("Title=New"), S("--set"), S("Track=4/9")};
    const QJsonObject vorbis = {{S("title"), QJsonArray{S("New")}},
                                {S("tracknumber"), QJsonArray{S("4")}},
                                {S("tracktotal"), QJsonArray{S("9")}}};
    const QJsonObject ape = {{S("title"), QJsonArray{S("New")}},
                             {S("track"), QJsonArray{S("4/9")}}};
    const Case cases[] = {
        {"flac", "a.flac", titleAndTrack, vorbis},
        {"opus", "a.opus", titleAndTrack, vorbis},
        {"ogg-opus", "opus.ogg", titleAndTrack, vorbis},
        {"oga-flac", "flac.oga", titleAndTrack, vorbis},
        {"m4a",
         "a.m4a",
         titleAndTrack,
         {{S("\u00a9nam"), QJsonArray{S("New")}}, {S("trkn"), QJsonArray{S("(4, 9)")}}}},
        {"wv", "a.wv", titleAndTrack, ape},
        {"ape", "a.ape", titleAndTrack, ape},
        {"aiff",
         "a.aiff",
         titleAndTrack,
         {{S("tit2"), QJsonArray{S("New")}}, {S("trck"), QJsonArray{S("4/9")}}}},
        // The second of two authors goes with the first.
        {"wma", "a.wma", {S("Artist=X")}, {{S("author"), QJsonArray{S("X")}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        TempDir dir;
        const QString path = dir.File(QString::fromLatin1(c.file));
        Tool({S("make"), QString::fromLatin1(c.kind), path});
        const QJsonObject before = Dump(path);
        ASSERT_FALSE(before.isEmpty());
        const CliResult r = RunCli(QStringList{S("tags"), path, S("--set")} + c.set);
        ASSERT_EQ(r.status, 0) << r.err.toStdString();
        const QJsonObject after = Dump(path);
        QJsonObject keptBefore = before.value(S("tags")).toObject();
        QJsonObject keptAfter = after.value(S("tags")).toObject();
        for (const QString& key : c.changed.keys()) {
            EXPECT_EQ(after.value(S("text")).toObject().value(key), c.changed.value(key))
                << key.toStdString();
            keptBefore.remove(key);
            keptAfter.remove(key);
        }
        // Several fields, one with two values, a custom one and the picture were there.
        EXPECT_GE(keptBefore.size(), 6);
        EXPECT_EQ(keptAfter, keptBefore);
        EXPECT_EQ(after.value(S("audio")), before.value(S("audio")));
        EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden).size(), 1);
    }
}

// A file that is not what its name claims, cut short, or read-only gets a line naming it and the
// cause, and stays as it was; names of no tagged format are refused as before.
TEST(CliTagsEdit, RefusesBadFilesAndLeavesThemAsTheyWere) {
    TempDir dir;
    const QString flac = dir.File(S("real.flac"));
    Tool({S("make"), S("flac"), flac});
    const QByteArray real = ReadAll(flac);
    const QString readOnly = dir.Write(S("locked.flac"), real);
    QFile::setPermissions(readOnly, QFile::ReadOwner | QFile::ReadGroup);
    struct Case {
        QString path;
        const char* cause;
    };
    const Case cases[] = {
        {dir.Write(S("text.flac"), "just some text\n"), "its content is not FLAC"},
        {dir.Write(S("text.m4a"), "just some text\n"), "its content is not MP4"},
        {dir.Write(S("cut.flac"), real.left(60)), "it is damaged"},
        {dir.Write(S("cut.wv"), "wvpk"), "it is damaged"},
        {readOnly, "the file is read-only"},
        {dir.Write(S("a.wav"), "RIFF"), "no tag format for the extension '.wav'"},
        {dir.Write(S("a.vox"), "\x12\x34"), "no tag format for the extension '.vox'"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QByteArray bytes = ReadAll(c.path);
        const CliResult r = RunCli({S("tags"), c.path, S("--set"), S("Title=x")});
        EXPECT_EQ(r.status, 1);
        EXPECT_TRUE(r.err.startsWith(S("quorvel-cli: tags: ")) && r.err.contains(c.path) &&
                    r.err.contains(QString::fromLatin1(c.cause)) &&
                    r.err.count(QLatin1Char('\n')) == 1)
            << r.err.toStdString();
        EXPECT_EQ(ReadAll(c.path), bytes);
    }
    EXPECT_EQ(RunCli({S("tags"), dir.File(S("cut.flac"))}).status, 1);
    EXPECT_EQ(QDir(dir.Path()).entryList(QDir::Files | QDir::Hidden).size(), 8);
}

}  // namespace
