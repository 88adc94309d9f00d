#pragma once

#include "components/skin.h"

#include <QWidget>

// The skinned label that shows the output folder. It keeps the whole caption and, when the text
// is too wide, draws it shortened in the middle so both the start and the last folder stay
// visible. Font and colour come from the window's skin (style sheet "TSkinLabel { ... }").
class TSkinLabel : public QWidget, public ISkinLabel {
    Q_OBJECT

  public:
    explicit TSkinLabel(QWidget* parent = nullptr);

    void SetCaption(const QString& text) override;
    QString Caption() const override { return caption_; }
    // The text as drawn in the current width.
    QString ShownText() const;

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString caption_;
};
