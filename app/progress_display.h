#pragma once

#include <QString>
#include <cstdint>

#include "components/skin.h"

// The bar and percentage text drawn from a progress value 0..10000.
struct ProgressFigures {
    std::int32_t barWidth = 0;  // pixels, 0..442
    QString text;               // "37%"
};

// The figures for a value: 0 when no batch runs, capped at 10000 (there is no lower clamp; callers
// pass 0 or more).
ProgressFigures ComputeProgress(std::int32_t value, bool converting);

// Draws progress through the skin's "pb" bar and "pbpos" text. Window thread only.
class ProgressDisplay {
  public:
    static constexpr std::int32_t kFullBarWidth = 442;

    // Holds the elements' interfaces; either may be missing from a skin, and is then not drawn.
    void Bind(ISkinObject* text, ISkinObject* bar);
    void Show(std::int32_t value, bool converting);
    // Empties the percentage text (the rest state after start-up).
    void ClearText();
    // Where the whole batch stands ("3 of 12 · about 1:20 left"), shown after the percentage
    // until the text is cleared.
    void SetBatchText(const QString& text);

    SkinRect BarRect() const { return barRect_; }

  private:
    ISkinText* text_ = nullptr;
    ISkinGeometry* textGeometry_ = nullptr;
    ISkinGeometry* bar_ = nullptr;
    SkinRect barRect_;  // as the skin defines it; only the right edge moves afterwards
    bool drawn_ = false;
    std::int32_t lastWidth_ = 0;
    QString lastText_;
    QString batchText_;
};

// "3 of 12", with " · about 1:20 left" once the time left is known.
QString BatchProgressText(int done, int total, double secondsLeft);
