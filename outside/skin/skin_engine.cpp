#include "outside/skin/skin_engine.h"

#include "outside/skin/skin_face.h"
#include "platform/small_regular_file.h"

#include <QPalette>
#include <QWidget>

namespace {

// A skin larger than the limit is refused before it is loaded whole; a pipe or device is not read.
std::optional<SkinDocument> ReadSkinFile(const QString& path, QString* problem) {
    const SmallFileRead read = ReadSmallRegularFile(path, kMaxSkinFileBytes);
    if (read.status != SmallFileRead::Status::Ok) {
        *problem = read.problem;
        return std::nullopt;
    }
    return ParseSkin(read.bytes, problem);
}

}  // namespace

// The resource lives in this static library; naming its initialiser keeps the linker from
// dropping it.
static void InitSkinResource() {
    Q_INIT_RESOURCE(quorvel_skin);
}

TSkin::TSkin(QObject* parent) : QObject(parent) {
    InitSkinResource();
    QString problem;
    if (auto builtIn = ReadSkinFile(BuiltInPath(), &problem)) {
        skin_ = std::move(*builtIn);
    }
}

QString TSkin::BuiltInPath() {
    return QStringLiteral(":/quorvel/skin/mp3enc.dll");
}

QString TSkin::LoadSkin(const QString& path) {
    QString problem;
    if (auto loaded = ReadSkinFile(path, &problem)) {
        skin_ = std::move(*loaded);
        return {};
    }
    QString builtInProblem;
    if (auto builtIn = ReadSkinFile(BuiltInPath(), &builtInProblem)) {
        skin_ = std::move(*builtIn);
    }
    return QStringLiteral("Cannot load the skin file %1: %2. The built-in skin is used instead.")
        .arg(path, problem);
}

void TSkin::ApplySkin(QWidget* window) {
    if (window == nullptr) {
        return;
    }
    // A window skinned again gets a fresh face; the old one and its elements go.
    // The old face may be the one whose click led here, so it is detached now and deleted later.
    if (auto* old = window->findChild<TSkinFace*>(QString(), Qt::FindDirectChildrenOnly)) {
        old->hide();
        window->removeEventFilter(old);
        old->setParent(nullptr);
        old->deleteLater();
    }
    auto* face = new TSkinFace(skin_, window);
    connect(face, &TSkinFace::ElementClicked, this, &TSkin::OnElementClicked);
    face->show();

    QFont font(skin_.fontFamily);
    font.setPointSize(skin_.fontSize);
    window->setFont(font);
    // The style sheet reaches the window's controls and the dialogs and menus parented to it.
    window->setStyleSheet(skin_.styleSheet);
    window->setAttribute(Qt::WA_StyledBackground, true);
}

void TSkin::ApplySkinObject(QWidget* window, const QString& name) {
    const SkinElementDef* def = skin_.Find(name);
    if (window == nullptr || def == nullptr || def->kind != SkinElementKind::Form) {
        return;
    }
    // The window itself takes the form's colours, so nothing flashes white before the face paints
    // and unskinned controls inherit readable text.
    QPalette palette = window->palette();
    if (def->fill.isValid()) {
        palette.setColor(QPalette::Window, def->fill);
    }
    if (def->color.isValid()) {
        palette.setColor(QPalette::WindowText, def->color);
    }
    window->setPalette(palette);
    window->setAutoFillBackground(true);
}

ISkinForm* TSkin::GetSkinForm(QWidget* window) {
    if (window == nullptr) {
        return nullptr;
    }
    return window->findChild<TSkinFace*>(QString(), Qt::FindDirectChildrenOnly);
}

void TSkin::SetOnClick(std::function<void(ISkinObject& source)> handler) {
    onClick_ = std::move(handler);
}

void TSkin::OnElementClicked(TSkinElement* element) {
    if (onClick_ && element != nullptr) {
        onClick_(*element);
    }
}
