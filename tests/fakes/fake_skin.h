#pragma once

#include <QStringList>
#include <QWidget>
#include <map>
#include <memory>

#include "call_log.h"
#include "components/skin.h"

// A skin element that remembers what it was given.
class FakeSkinObject : public ISkinObject, public ISkinText, public ISkinGeometry {
  public:
    FakeSkinObject(QString name, SkinRect rect) : name_(std::move(name)), rect_(rect) {}
    QString GetName() const override { return name_; }
    ISkinText* TextInterface() override { return this; }
    ISkinGeometry* GeometryInterface() override { return this; }
    void SetText(const QString& text) override {
        text_ = text;
        texts << text;
    }
    SkinRect GetRect() const override { return rect_; }
    void SetRect(const SkinRect& rect) override { rect_ = rect; }
    void Refresh() override { ++refreshes_; }

    const QString& Text() const { return text_; }
    QStringList texts;  // every text given, in order
    int Refreshes() const { return refreshes_; }

  private:
    QString name_;
    SkinRect rect_;
    QString text_ = QStringLiteral("(unset)");
    int refreshes_ = 0;
};

// A skin engine holding a fixed set of elements; records the calls the window makes.
class FakeSkin : public ISkin, public ISkinForm {
  public:
    explicit FakeSkin(CallLog log);
    // Adds (or replaces) an element; the default set has "pb" at 14,306..456,318 and "pbpos".
    FakeSkinObject& Add(const QString& name, SkinRect rect = {});
    void Remove(const QString& name) { objects_.erase(name); }
    // What LoadSkin reports (empty: the file loaded).
    QString loadProblem;

    QString LoadSkin(const QString& path) override;
    void ApplySkin(QWidget* window) override;
    void ApplySkinObject(QWidget* window, const QString& name) override;
    ISkinForm* GetSkinForm(QWidget* window) override;
    void SetOnClick(std::function<void(ISkinObject&)> handler) override {
        onClick_ = std::move(handler);
    }
    ISkinObject* FindObject(const QString& name) override;

    FakeSkinObject* Object(const QString& name);
    // Simulates a click on the named element.
    void Click(const QString& name);

  private:
    CallLog log_;
    std::map<QString, std::unique_ptr<FakeSkinObject>> objects_;
    std::function<void(ISkinObject&)> onClick_;
};

class FakeSkinLabel : public QWidget, public ISkinLabel {
  public:
    using QWidget::QWidget;
    void SetCaption(const QString& text) override { caption_ = text; }
    QString Caption() const override { return caption_; }

  private:
    QString caption_;
};
