#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <thread>
#include <vector>

#include "engine/output_path.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

struct NamingCase {
    const char* caption;
    const char* inputName;  // the input's own file name
    const char* prefix;
    std::vector<const char*> existing;
    const char* expected;
};

// Names keep a tag title whole, strip only a file name's own extension, and count past 100
// instead of overwriting.
TEST(OutputPathTest, ChoosesTheFirstFreeNameWithoutEverOverwriting) {
    std::vector<const char*> hundred{"song.mp3"};
    static std::vector<QByteArray> names;
    for (int n = 1; n <= 100; ++n) {
        names.push_back(QStringLiteral("song_%1.mp3").arg(n).toUtf8());
    }
    for (const QByteArray& n : names) {
        hundred.push_back(n.constData());
    }
    const std::vector<NamingCase> cases{
        {"song", "a.mp3", "", {}, "song.mp3"},
        {"song", "a.mp3", "", {"song.mp3", "song_1.mp3", "song_2.mp3"}, "song_3.mp3"},
        {"song", "a.mp3", "Nor_", {"Nor_song.mp3"}, "Nor_song_1.mp3"},
        {"song", "a.mp3", "", hundred, "song_101.mp3"},
        {"Mr. Jones", "track01.mp3", "", {}, "Mr. Jones.mp3"},
        {"Mr. Jones", "track01.mp3", "", {"Mr. Jones.mp3"}, "Mr. Jones_1.mp3"},
        {"my.song.wav", "my.song.wav", "", {}, "my.song.mp3"},
        {"my.song.wav", "my.song.wav", "", {"my.song.mp3"}, "my.song_1.mp3"},
        {"a.b.c", "x.wav", "", {"a.b.c.mp3"}, "a.b.c_1.mp3"},
        {".hidden", ".hidden", "", {}, ".hidden.mp3"},
        {"../up", "x.wav", "", {}, ".._up.mp3"},
        {"", "take.wav", "", {}, "take.mp3"},
    };
    for (const NamingCase& c : cases) {
        TempDir dir;
        for (const char* name : c.existing) {
            dir.Write(S(name), "keep");
        }
        const QString result = MakeOutputPath(dir.Path() + QLatin1Char('/'), S(c.caption),
                                              dir.File(S(c.inputName)), S(".mp3"), S(c.prefix));
        EXPECT_EQ(result, dir.File(S(c.expected))) << c.caption << " with " << c.existing.size();
        // The name is reserved, and no existing file was touched.
        EXPECT_TRUE(QFileInfo::exists(result));
        for (const char* name : c.existing) {
            EXPECT_EQ(ReadAll(dir.File(S(name))), QByteArray("keep")) << name;
        }
    }
}

QString Repeat(const char* unit, int count) {
    return S(unit).repeated(count);
}

// Long titles are shortened between characters so the whole name, prefix and "_n" included, fits
// the 255-byte limit of the file system; control characters from tags never reach a name.
TEST(OutputPathTest, NamesFitTheFileSystemAndCarryNoControlCharacters) {
    struct Case {
        QString caption;
        const char* prefix;
        bool firstTaken;
        QString expected;
    };
    const std::vector<Case> cases{
        {Repeat("a", 246), "", false, Repeat("a", 246) + S(".mp3")},  // 250 bytes: kept whole
        {Repeat("a", 300), "", false, Repeat("a", 251) + S(".mp3")},
        {Repeat("a", 300), "", true, Repeat("a", 249) + S("_1.mp3")},
        {Repeat("é", 130), "Nor_", false, S("Nor_") + Repeat("é", 123) + S(".mp3")},
        {Repeat("😀", 70), "", false, Repeat("😀", 62) + S(".mp3")},               // surrogate pairs
        {Repeat("e\u0301", 100), "", false, Repeat("e\u0301", 83) + S(".mp3")},  // accents stay
        {S("a\nb\tc\x7f\u0085d\x1b"), "", false, S("a_b_c__d_.mp3")},
        {S("line\r\nbreak"), "Nor_", false, S("Nor_line__break.mp3")},
    };
    for (const Case& c : cases) {
        TempDir dir;
        if (c.firstTaken) {
            MakeOutputPath(dir.Path() + QLatin1Char('/'), c.caption, S("x.wav"), S(".mp3"),
                           S(c.prefix));
        }
        const QString result = MakeOutputPath(dir.Path() + QLatin1Char('/'), c.caption, S("x.wav"),
                                              S(".mp3"), S(c.prefix));
        const QString name = QFileInfo(result).fileName();
        EXPECT_EQ(name, c.expected) << c.caption.left(20).toStdString();
        EXPECT_LE(name.toUtf8().size(), 255);
        EXPECT_TRUE(QFileInfo::exists(result)) << "the file system refused " << name.size();
    }
}

// Reservation by exclusive creation: threads racing for one title never share a name.
TEST(OutputPathTest, ConcurrentChoicesNeverShareAName) {
    TempDir dir;
    constexpr int kThreads = 6;
    constexpr int kEach = 15;
    std::vector<QStringList> chosen(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                chosen[t] << MakeOutputPath(dir.Path() + QLatin1Char('/'), S("song"), S("x.wav"),
                                            S(".wav"), S(""));
            }
        });
    }
    for (std::thread& t : threads) {
        t.join();
    }
    QSet<QString> all;
    for (const QStringList& list : chosen) {
        for (const QString& name : list) {
            all.insert(name);
        }
    }
    EXPECT_EQ(all.size(), kThreads * kEach);
}

TEST(OutputPathTest, ExtensionsByFormat) {
    EXPECT_EQ(OutputExtension(0), S(".mp3"));
    EXPECT_EQ(OutputExtension(1), S(".wav"));
    EXPECT_EQ(OutputExtension(3), S(".ogg"));
    EXPECT_EQ(OutputExtension(5), S(".flac"));
    EXPECT_EQ(OutputExtension(7), S(".m4a"));
    EXPECT_EQ(OutputExtension(8), S(".m4a"));
    EXPECT_EQ(OutputExtension(9), S(".aiff"));
    EXPECT_EQ(OutputExtension(10), S(".wv"));
    EXPECT_EQ(OutputExtension(11), QString());
}

}  // namespace
