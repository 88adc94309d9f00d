#include "outside/skin/skin_document.h"
#include "outside/skin/skin_engine.h"
#include "outside/skin/skin_icons.h"

#include <gtest/gtest.h>
#include <QFile>
#include <QRandomGenerator>

namespace {

const QByteArray kMinimalSkin =
    "[Skin]\nformat = 1\n[Form]\ntype = form\nfill = #101010\n"
    "[b_Add]\ntype = button\nrect = 10, 20, 30, 40\ncaption = Add\n";

QByteArray BuiltInBytes() {
    TSkin engine;  // registers the resource
    QFile file(TSkin::BuiltInPath());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

std::optional<SkinDocument> Parse(const QByteArray& bytes, QString* error = nullptr) {
    QString ignored;
    return ParseSkin(bytes, error != nullptr ? error : &ignored);
}

TEST(SkinDocument, DefaultSkinParsesCleanlyWithEveryElementTheProgramUses) {
    QString error;
    const auto skin = Parse(BuiltInBytes(), &error);
    ASSERT_TRUE(skin.has_value()) << error.toStdString();
    EXPECT_TRUE(skin->warnings.isEmpty()) << skin->warnings.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(skin->fontFamily, QStringLiteral("DejaVu Sans"));
    for (const char* name :
         {"b_Add", "b_remove", "b_clear", "b_convert", "b_nomalize", "b_stop", "p_play", "p_stop",
          "b_dir", "b_open", "b_id3", "file", "action", "setting", "help", "helpp", "b_pause"}) {
        const SkinElementDef* def = skin->Find(QLatin1String(name));
        ASSERT_NE(def, nullptr) << name;
        EXPECT_TRUE(def->clickable) << name;
        EXPECT_TRUE(def->icon.isEmpty() || IsSkinIcon(def->icon)) << name;
    }
    ASSERT_NE(skin->Find(QStringLiteral("Form")), nullptr);
    const SkinElementDef* bar = skin->Find(QStringLiteral("pb"));
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->kind, SkinElementKind::Progress);
    EXPECT_EQ(bar->width, 442);
    ASSERT_NE(skin->Find(QStringLiteral("pbpos")), nullptr);
    // Palette names are replaced in the style sheet; none is left over.
    EXPECT_FALSE(skin->styleSheet.isEmpty());
    EXPECT_FALSE(skin->styleSheet.contains(QLatin1Char('@')));
}

TEST(SkinDocument, TheFileBesideTheProgramIsTheBuiltInSkin) {
    QFile file(QStringLiteral(QUORVEL_BIN_DIR "/mp3enc.dll"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << "the build places the skin beside the program";
    EXPECT_EQ(file.readAll(), BuiltInBytes());
}

TEST(SkinDocument, ReadsKeysColoursAndPaletteReferences) {
    const auto skin = Parse(
        "\xEF\xBB\xBF# comment\n; another\n"
        "[Skin]\r\nformat=1\r\nname = Test\r\nfont = DejaVu Sans\r\nfont_size = 11\r\n"
        "[Palette]\nAccent = #123456\n"
        "[Form]\ntype = form\nfill = @accent\n"
        "[pb]\ntype = progress\nrect = 14, 306, 442, 16\nfill = #80ff0000\nradius = 8\n"
        "[label]\ntype = text\nrect = -5, 0, 10, 10\ncaption =  Hello = world  \nalign = right\n"
        "bold = yes\nclickable = true\n"
        "[StyleSheet]\nQMenu { color: @ACCENT; }\n  #lv { border: none; }\n");
    ASSERT_TRUE(skin.has_value());
    EXPECT_TRUE(skin->warnings.isEmpty()) << skin->warnings.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(skin->name, QStringLiteral("Test"));
    EXPECT_EQ(skin->fontSize, 11);
    EXPECT_EQ(skin->Find(QStringLiteral("Form"))->fill, QColor(0x12, 0x34, 0x56));
    const SkinElementDef* bar = skin->Find(QStringLiteral("pb"));
    EXPECT_EQ(bar->fill, QColor(255, 0, 0, 0x80));
    EXPECT_EQ((std::array{bar->x, bar->y, bar->width, bar->height}),
              (std::array{14, 306, 442, 16}));
    const SkinElementDef* label = skin->Find(QStringLiteral("label"));
    EXPECT_EQ(label->caption, QStringLiteral("Hello = world"));
    EXPECT_EQ(label->x, -5);
    EXPECT_EQ(label->align, SkinAlign::Right);
    EXPECT_TRUE(label->bold);
    EXPECT_TRUE(label->clickable);
    // Style sheet lines are kept as written, including ones that look like comments.
    EXPECT_EQ(skin->styleSheet,
              QStringLiteral("QMenu { color: #123456; }\n  #lv { border: none; }\n"));
}

TEST(SkinDocument, BadLinesAreSkippedWithTheirLineNumber) {
    const auto skin = Parse(kMinimalSkin +                            // lines 1 to 9
                            "colour = red\n"                          // 10: unknown key
                            "rect = 1, 2, 3\n"                        // 11: three numbers
                            "rect = 1, 2, 99999999999999999999, 4\n"  // 12: huge
                            "fill = red\n"                            // 13: not hex
                            "color = @nothing\n"                      // 14: unknown palette name
                            "just some words\n"                       // 15
                            "[b_Add]\ntype = text\n"                  // 16: duplicate element
                            "[no_type]\nrect = 0, 0, 1, 1\n"          // 18: dropped at its end
                            "[no_rect]\ntype = panel\n"               // 20
                            "[bad name!]\n");                         // 22
    ASSERT_TRUE(skin.has_value());
    const QStringList& w = skin->warnings;
    ASSERT_EQ(w.size(), 10) << w.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(w[0].startsWith(QStringLiteral("line 10: unknown key colour")));
    EXPECT_TRUE(w[1].startsWith(QStringLiteral("line 11: rect needs four numbers")));
    EXPECT_TRUE(w[2].startsWith(QStringLiteral("line 12: ")));
    EXPECT_TRUE(w[3].startsWith(QStringLiteral("line 13: bad colour")));
    EXPECT_TRUE(w[4].startsWith(QStringLiteral("line 14: unknown palette colour @nothing")));
    EXPECT_TRUE(w[5].startsWith(QStringLiteral("line 15: not a section header")));
    EXPECT_TRUE(w[6].startsWith(QStringLiteral("line 16: the element b_Add is defined twice")));
    EXPECT_TRUE(w[7].contains(QStringLiteral("no_type has no type")));
    EXPECT_TRUE(w[8].startsWith(QStringLiteral("line 22: not a section header")));
    EXPECT_TRUE(w[9].contains(QStringLiteral("no_rect has no rect")));
    // The good element keeps its good values; the bad lines changed nothing.
    const SkinElementDef* add = skin->Find(QStringLiteral("b_Add"));
    ASSERT_NE(add, nullptr);
    EXPECT_EQ(add->kind, SkinElementKind::Button);
    EXPECT_EQ((std::array{add->x, add->y, add->width, add->height}), (std::array{10, 20, 30, 40}));
    EXPECT_FALSE(add->fill.isValid());
    EXPECT_EQ(skin->elements.size(), 2u);
}

TEST(SkinDocument, UnusableFilesAreRejectedWithTheReason) {
    const struct {
        QByteArray bytes;
        const char* reason;
    } cases[] = {
        {"", "the file is empty"},
        {QByteArray("MZ\x90\0\3\0\0\0", 8), "binary data"},
        {"[Skin]\nformat = 1\ncaption = \xff\xfe\n", "not UTF-8"},
        {"[Form]\ntype = form\n", "not a Quorvel skin"},
        {"[Skin]\nname = no format\n[Form]\ntype = form\n", "not a Quorvel skin"},
        {"[Skin]\nformat = 2\n[Form]\ntype = form\n", "skin format 2 is not supported"},
        {"[Skin]\nformat = 1\n[b_Add]\ntype = button\nrect = 0,0,1,1\n", "no Form element"},
        {"[Skin]\nformat = 1\n[Form]\ntype = panel\nrect = 0,0,1,1\n", "no Form element"},
        {QByteArray(kMaxSkinFileBytes + 1, '#'), "larger than"},
    };
    for (const auto& c : cases) {
        QString error;
        EXPECT_FALSE(Parse(c.bytes, &error).has_value()) << c.reason;
        EXPECT_TRUE(error.contains(QLatin1String(c.reason))) << error.toStdString();
    }
}

TEST(SkinDocument, HostileInputNeverCrashes) {
    QRandomGenerator random(20261208);
    const QByteArray base = BuiltInBytes();
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = base;
        // Flip, cut and splice: the parser sees every kind of damaged line.
        const int edits = 1 + random.bounded(20);
        for (int i = 0; i < edits; ++i) {
            const int at = random.bounded(static_cast<int>(bytes.size()));
            switch (random.bounded(3)) {
                case 0:
                    bytes[at] = static_cast<char>(random.bounded(32, 127));
                    break;
                case 1:
                    bytes.remove(at, random.bounded(64));
                    break;
                default:
                    bytes.insert(at, QByteArray(random.bounded(1, 5000), '9'));
                    break;
            }
        }
        QString error;
        const auto skin = Parse(bytes, &error);
        EXPECT_TRUE(skin.has_value() || !error.isEmpty());
    }
    // Long lines, many elements, and numbers at the edges of every range.
    QByteArray many = "[Skin]\nformat = 1\n[Form]\ntype = form\n" + QByteArray(10000, 'x') + "\n";
    for (int i = 0; i < 700; ++i) {
        many += "[e" + QByteArray::number(i) + "]\ntype = panel\nrect = -10000, 10000, 10000, 0\n" +
                "radius = 2147483648\nfont_size = -2147483649\n";
    }
    const auto skin = Parse(many);
    ASSERT_TRUE(skin.has_value());
    EXPECT_EQ(skin->elements.size(), 512u);
}

}  // namespace
