#include "outside/skin/skin_label.h"
#include "outside/skin/skin_engine.h"

#include <gtest/gtest.h>

namespace {

TEST(SkinLabel, KeepsTheWholeCaptionAndShortensOnlyTheDrawing) {
    TSkinLabel label;
    label.resize(242, 14);
    const QString path =
        QStringLiteral("/home/someone/Music/Converted/2026/Live recordings/Harbour sessions/mp3");
    label.SetCaption(path);
    EXPECT_EQ(label.Caption(), path);
    const QString shown = label.ShownText();
    EXPECT_LT(shown.size(), path.size());
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_TRUE(shown.startsWith(QStringLiteral("/home/")));
    EXPECT_TRUE(shown.endsWith(QStringLiteral("sessions/mp3")));
    label.SetCaption(QStringLiteral("/root/Music"));
    EXPECT_EQ(label.ShownText(), QStringLiteral("/root/Music"));
    label.SetCaption(QString());
    EXPECT_EQ(label.Caption(), QString());
}

TEST(SkinLabel, TakesTheSkinsFontAndColourFromItsWindow) {
    QWidget window;
    window.resize(471, 380);
    auto* label = new TSkinLabel(&window);
    label->setGeometry(90, 76, 242, 14);
    TSkin skin;
    ASSERT_TRUE(skin.LoadSkin(QStringLiteral(QUORVEL_BIN_DIR "/mp3enc.dll")).isEmpty());
    skin.ApplySkin(&window);
    skin.ApplySkinObject(&window, QStringLiteral("Form"));
    window.show();
    label->ensurePolished();
    EXPECT_EQ(label->font().family(), QStringLiteral("DejaVu Sans"));
    const QColor text = label->palette().color(label->foregroundRole());
    EXPECT_GT(text.lightness(), 180) << "light text on the dark skin";
    // It draws in that colour.
    label->SetCaption(QStringLiteral("WWWWWWWW"));
    const QImage image = label->grab().toImage();
    int brightest = 0;
    for (int x = 0; x < 60; ++x) {
        brightest = std::max(brightest, image.pixelColor(x, 7).lightness());
    }
    EXPECT_GT(brightest, 150);
}

}  // namespace
