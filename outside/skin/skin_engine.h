#pragma once

#include "components/skin.h"
#include "outside/skin/skin_document.h"

#include <QObject>
#include <QStringList>
#include <functional>

class TSkinElement;

// The skin engine: reads a text skin file, gives windows their skinned face and reports clicks
// on named elements. When the file cannot be used, the built-in skin (a Qt resource) takes its
// place. Window thread only.
class TSkin : public QObject, public ISkin {
    Q_OBJECT

  public:
    explicit TSkin(QObject* parent = nullptr);

    QString LoadSkin(const QString& path) override;
    void ApplySkin(QWidget* window) override;
    void ApplySkinObject(QWidget* window, const QString& name) override;
    ISkinForm* GetSkinForm(QWidget* window) override;
    void SetOnClick(std::function<void(ISkinObject& source)> handler) override;

    const SkinDocument& Skin() const { return skin_; }
    // Lines of the loaded file that were ignored, for skin authors.
    QStringList Warnings() const { return skin_.warnings; }

    // The resource path of the skin compiled into the program.
    static QString BuiltInPath();

  private:
    void OnElementClicked(TSkinElement* element);

    SkinDocument skin_;
    std::function<void(ISkinObject&)> onClick_;
};
