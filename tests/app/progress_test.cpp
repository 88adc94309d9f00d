#include <gtest/gtest.h>

#include "app/progress_display.h"
#include "components/mul_div.h"
#include "fakes/fake_skin.h"

namespace {

TEST(MulDiv, RoundsHalvesAwayFromZeroAndFlagsBadDivisors) {
    EXPECT_EQ(MulDiv(50, 442, 10000), 2);  // 2.21
    EXPECT_EQ(MulDiv(5000, 442, 10000), 221);
    EXPECT_EQ(MulDiv(9999, 442, 10000), 442);  // 441.96
    EXPECT_EQ(MulDiv(1, 1, 2), 1);             // 0.5 goes up
    EXPECT_EQ(MulDiv(-1, 1, 2), -1);           // -0.5 goes down
    EXPECT_EQ(MulDiv(1, -3, 2), -2);
    EXPECT_EQ(MulDiv(7, 3, 0), -1);
    EXPECT_EQ(MulDiv(INT32_MAX, INT32_MAX, INT32_MAX), INT32_MAX);  // 64-bit product
    EXPECT_EQ(MulDiv(INT32_MAX, 4, 2), -1);                         // result beyond 32 bits
}

TEST(ComputeProgress, BarWidthAndPercentFollowTheValue) {
    struct Case {
        int value;
        bool converting;
        int width;
        const char* text;
    };
    const Case cases[] = {
        {5000, false, 0, "0%"},     {12000, true, 442, "100%"}, {9999, true, 442, "99%"},
        {50, true, 2, "0%"},        {5000, true, 221, "50%"},   {3700, true, 164, "37%"},
        {10000, true, 442, "100%"}, {0, true, 0, "0%"},
    };
    for (const Case& c : cases) {
        const ProgressFigures f = ComputeProgress(c.value, c.converting);
        EXPECT_EQ(f.barWidth, c.width) << c.value;
        EXPECT_EQ(f.text, QString::fromUtf8(c.text)) << c.value;
    }
}

TEST(ProgressDisplay, MovesOnlyTheRightEdgeOfTheBarAndRefreshesBoth) {
    FakeSkin skin(MakeCallLog());
    skin.Object(QStringLiteral("pb"))->SetRect({20, 300, 100, 312});  // the skin's own width
    ProgressDisplay display;
    display.Bind(skin.FindObject(QStringLiteral("pbpos")), skin.FindObject(QStringLiteral("pb")));
    display.Show(5000, true);
    EXPECT_EQ(skin.Object(QStringLiteral("pb"))->GetRect(), (SkinRect{20, 300, 241, 312}));
    EXPECT_EQ(skin.Object(QStringLiteral("pbpos"))->Text(), QStringLiteral("50%"));
    display.Show(20000, true);
    display.Show(10000, true);  // the same figures: nothing is redrawn
    EXPECT_EQ(skin.Object(QStringLiteral("pb"))->GetRect(), (SkinRect{20, 300, 462, 312}));
    EXPECT_EQ(skin.Object(QStringLiteral("pb"))->Refreshes(), 2);
    EXPECT_EQ(skin.Object(QStringLiteral("pbpos"))->Refreshes(), 2);
}

TEST(ProgressDisplay, SkinWithoutProgressElementsIsNotDrawnAndDoesNotFail) {
    ProgressDisplay display;
    display.Bind(nullptr, nullptr);
    display.Show(5000, true);
    display.ClearText();
    EXPECT_EQ(display.BarRect(), SkinRect{});
}

}  // namespace
