#include "app/progress_display.h"

#include "components/mul_div.h"

ProgressFigures ComputeProgress(std::int32_t value, bool converting) {
    if (!converting) {
        value = 0;
    }
    if (value > 10000) {
        value = 10000;
    }
    ProgressFigures f;
    f.barWidth = MulDiv(value, ProgressDisplay::kFullBarWidth, 10000);
    std::int32_t percent = value / 100;
    if (percent > 100) {
        percent = 100;
    }
    f.text = QString::number(percent) + QLatin1Char('%');
    return f;
}

void ProgressDisplay::Bind(ISkinObject* text, ISkinObject* bar) {
    text_ = text ? text->TextInterface() : nullptr;
    textGeometry_ = text ? text->GeometryInterface() : nullptr;
    bar_ = bar ? bar->GeometryInterface() : nullptr;
    barRect_ = bar_ ? bar_->GetRect() : SkinRect{};
    drawn_ = false;
}

void ProgressDisplay::Show(std::int32_t value, bool converting) {
    const ProgressFigures f = ComputeProgress(value, converting);
    // The block loop shows progress thousands of times per file; most calls change no pixel.
    if (drawn_ && f.barWidth == lastWidth_ && f.text == lastText_) {
        return;
    }
    drawn_ = true;
    lastWidth_ = f.barWidth;
    lastText_ = f.text;
    if (bar_) {
        barRect_.right = barRect_.left + f.barWidth;
        bar_->SetRect(barRect_);
        bar_->Refresh();
    }
    if (text_) {
        text_->SetText(f.text);
    }
    if (textGeometry_) {
        textGeometry_->Refresh();
    }
}

void ProgressDisplay::ClearText() {
    lastText_.clear();
    if (text_) {
        text_->SetText(QStringLiteral(""));
    }
    if (textGeometry_) {
        textGeometry_->Refresh();
    }
}
