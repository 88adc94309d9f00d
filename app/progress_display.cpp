#include "app/progress_display.h"

#include <QCoreApplication>

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
    ProgressFigures f = ComputeProgress(value, converting);
    if (converting && !batchText_.isEmpty()) {
        f.text += QStringLiteral(" \u00B7 ") + batchText_;
    }
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

void ProgressDisplay::SetBatchText(const QString& text) {
    batchText_ = text;
}

QString BatchProgressText(int done, int total, double secondsLeft) {
    QString text = QCoreApplication::translate("ProgressDisplay", "%1 of %2").arg(done).arg(total);
    if (secondsLeft >= 0) {
        const qint64 s = static_cast<qint64>(secondsLeft + 0.5);
        const QString time =
            s >= 3600 ? QStringLiteral("%1:%2:%3")
                            .arg(s / 3600)
                            .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
                            .arg(s % 60, 2, 10, QLatin1Char('0'))
                      : QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
        text += QStringLiteral(" \u00B7 ") +
                QCoreApplication::translate("ProgressDisplay", "about %1 left").arg(time);
    }
    return text;
}

void ProgressDisplay::ClearText() {
    lastText_.clear();
    batchText_.clear();
    if (text_) {
        text_->SetText(QStringLiteral(""));
    }
    if (textGeometry_) {
        textGeometry_->Refresh();
    }
}
