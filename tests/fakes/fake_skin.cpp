#include "fake_skin.h"

FakeSkin::FakeSkin(CallLog log) : log_(std::move(log)) {
    Add(QStringLiteral("pb"), {14, 306, 456, 318});
    Add(QStringLiteral("pbpos"), {400, 290, 456, 304});
}

FakeSkinObject& FakeSkin::Add(const QString& name, SkinRect rect) {
    auto& slot = objects_[name];
    slot = std::make_unique<FakeSkinObject>(name, rect);
    return *slot;
}

QString FakeSkin::LoadSkin(const QString& path) {
    log_->append(QStringLiteral("Skin1.LoadSkin(%1)").arg(path));
    return loadProblem;
}

void FakeSkin::ApplySkin(QWidget*) {
    log_->append(QStringLiteral("Skin1.ApplySkin()"));
}

void FakeSkin::ApplySkinObject(QWidget*, const QString& name) {
    log_->append(QStringLiteral("Skin1.ApplySkinObject(%1)").arg(name));
}

ISkinForm* FakeSkin::GetSkinForm(QWidget*) {
    log_->append(QStringLiteral("Skin1.GetSkinForm()"));
    return this;
}

ISkinObject* FakeSkin::FindObject(const QString& name) {
    return Object(name);
}

FakeSkinObject* FakeSkin::Object(const QString& name) {
    const auto it = objects_.find(name);
    return it == objects_.end() ? nullptr : it->second.get();
}

void FakeSkin::Click(const QString& name) {
    FakeSkinObject* object = Object(name);
    if (object && onClick_) {
        onClick_(*object);
    }
}
