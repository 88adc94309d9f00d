#include "outside/skin/skin_engine.h"
#include "outside/skin/skin_element.h"
#include "outside/skin/skin_face.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>
#include <QComboBox>
#include <QTest>
#include <QTreeWidget>
#include <QWidget>
#include <climits>

namespace {

const QString kDefaultSkin = QStringLiteral(QUORVEL_BIN_DIR "/mp3enc.dll");

// A window laid out like the main window, skinned the way start-up does it.
struct SkinnedWindow {
    TSkin skin;
    QWidget window;
    QTreeWidget* list = nullptr;
    std::vector<QString> clicks;

    explicit SkinnedWindow(const QString& path = kDefaultSkin) {
        window.resize(471, 380);
        list = new QTreeWidget(&window);
        list->setGeometry(12, 100, 446, 201);
        message = skin.LoadSkin(path);
        skin.ApplySkin(&window);
        skin.ApplySkinObject(&window, QStringLiteral("Form"));
        skin.SetOnClick([this](ISkinObject& source) { clicks.push_back(source.GetName()); });
        window.show();
    }
    ISkinForm* Form() { return skin.GetSkinForm(&window); }
    ISkinObject* Find(const char* name) { return Form()->FindObject(QLatin1String(name)); }
    QWidget* Face() { return dynamic_cast<QWidget*>(Form()); }
    QPoint Centre(const char* name) {
        const SkinRect r = Find(name)->GeometryInterface()->GetRect();
        return QPoint((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    }

    QString message;
};

TEST(SkinEngine, DefaultSkinLoadsAndEveryCommandElementIsFound) {
    SkinnedWindow w;
    EXPECT_TRUE(w.message.isEmpty()) << w.message.toStdString();
    for (const char* name :
         {"b_Add",   "b_remove", "b_clear", "b_convert", "b_nomalize", "b_stop", "b_pause",
          "p_play",  "p_stop",   "b_dir",   "b_open",    "b_id3",      "file",   "action",
          "setting", "help",     "helpp",   "Form",      "pb",         "pbpos"}) {
        ISkinObject* object = w.Find(name);
        ASSERT_NE(object, nullptr) << name;
        EXPECT_EQ(object->GetName(), QLatin1String(name));
        EXPECT_NE(object->GeometryInterface(), nullptr) << name;
    }
    // Names are exact: another letter case is another (absent) element.
    EXPECT_EQ(w.Find("b_add"), nullptr);
    EXPECT_EQ(w.Find("B_ADD"), nullptr);
    EXPECT_EQ(w.Find(""), nullptr);
    EXPECT_NE(w.Find("pbpos")->TextInterface(), nullptr);
    EXPECT_EQ(w.Find("pb")->TextInterface(), nullptr);
}

TEST(SkinEngine, MissingOrBrokenFilesFallBackToTheBuiltInSkinWithAMessage) {
    TempDir dir;
    const QString missing = dir.File(QStringLiteral("mp3enc.dll"));
    const QString garbage = dir.Write(QStringLiteral("garbage.dll"), QByteArray("\x7f"
                                                                                "ELF\0\1",
                                                                                6));
    const QString unreadable = dir.Write(QStringLiteral("locked.dll"), "[Skin]\nformat = 1\n");
    QFile::setPermissions(unreadable, QFileDevice::WriteOwner);
    const struct {
        QString path;
        QString problem;
    } cases[] = {
        {missing, QStringLiteral("no such file")},
        {garbage, QStringLiteral("it is not a text skin file (binary data)")},
        {dir.Path(), QStringLiteral("it is a folder")},
        {QStringLiteral("/dev/null"), QStringLiteral("it is not a regular file")},
        {dir.Write(QStringLiteral("empty.dll"), {}), QStringLiteral("the file is empty")},
    };
    for (const auto& c : cases) {
        SkinnedWindow w(c.path);
        EXPECT_EQ(w.message, QStringLiteral("Cannot load the skin file %1: %2. The built-in skin "
                                            "is used instead.")
                                 .arg(c.path, c.problem));
        EXPECT_NE(w.Find("b_convert"), nullptr);
        EXPECT_NE(w.Find("pb"), nullptr);
    }
    if (!QFile(unreadable).open(QIODevice::ReadOnly)) {  // root reads everything
        SkinnedWindow w(unreadable);
        EXPECT_TRUE(w.message.startsWith(QStringLiteral("Cannot load the skin file ") + unreadable))
            << w.message.toStdString();
        EXPECT_NE(w.Find("b_convert"), nullptr);
    }
}

TEST(SkinEngine, AGoodFileReplacesTheBuiltInSkin) {
    TempDir dir;
    const QString path =
        dir.Write(QStringLiteral("mine.dll"),
                  "[Skin]\nformat = 1\n[Form]\ntype = form\nfill = #204060\ncolor = #f0f0f0\n"
                  "[b_go]\ntype = button\nrect = 10, 10, 50, 20\ncaption = Go\n");
    SkinnedWindow w(path);
    EXPECT_TRUE(w.message.isEmpty());
    EXPECT_NE(w.Find("b_go"), nullptr);
    EXPECT_EQ(w.Find("b_convert"), nullptr);
    // The form's colours reach the window itself.
    EXPECT_EQ(w.window.palette().color(QPalette::Window), QColor(0x20, 0x40, 0x60));
    EXPECT_EQ(w.window.palette().color(QPalette::WindowText), QColor(0xf0, 0xf0, 0xf0));
}

TEST(SkinEngine, GeometryAndTextChangesReachTheElement) {
    SkinnedWindow w;
    ISkinGeometry* bar = w.Find("pb")->GeometryInterface();
    SkinRect rect = bar->GetRect();
    EXPECT_EQ(rect.right - rect.left, 442);
    rect.right = rect.left + 163;
    bar->SetRect(rect);
    bar->Refresh();
    EXPECT_EQ(bar->GetRect(), rect);
    w.Find("pbpos")->TextInterface()->SetText(QStringLiteral("37%"));
    EXPECT_EQ(dynamic_cast<TSkinElement*>(w.Find("pbpos"))->Text(), QStringLiteral("37%"));

    // The bar is drawn to its new right edge and no further.
    const QImage face = w.Face()->grab().toImage();
    const int y = (rect.top + rect.bottom) / 2;
    const QColor filled = face.pixelColor(rect.left + 150, y);
    const QColor empty = face.pixelColor(rect.left + 300, y);
    EXPECT_GT(filled.blue(), 150) << "the bar is blue where it is filled";
    EXPECT_LT(empty.blue(), 100) << "and dark beyond its right edge";

    // Absurd rectangles are kept as given and drawn without trouble.
    const SkinRect wild{INT_MIN, INT_MIN, INT_MAX, INT_MAX};
    bar->SetRect(wild);
    EXPECT_EQ(bar->GetRect(), wild);
    bar->SetRect(SkinRect{500, 500, -500, -500});
    w.Face()->grab();
}

TEST(SkinEngine, FaceCoversTheWindowBelowItsControls) {
    SkinnedWindow w;
    QWidget* face = w.Face();
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->geometry(), w.window.rect());
    EXPECT_EQ(w.window.childAt(100, 150), w.list->viewport());
    EXPECT_EQ(w.window.childAt(5, 5), face);
    // A control created after skinning is still above the face.
    auto* combo = new QComboBox(&w.window);
    combo->setGeometry(394, 48, 60, 22);
    combo->show();
    EXPECT_EQ(w.window.childAt(400, 55), combo);
    w.window.resize(600, 500);
    EXPECT_EQ(face->geometry(), w.window.rect());
    // The window's controls get the skin's look.
    EXPECT_TRUE(w.window.styleSheet().contains(QStringLiteral("QTreeView")));
    EXPECT_EQ(w.window.font().family(), QStringLiteral("DejaVu Sans"));
}

TEST(SkinEngine, AClickOnAnElementReachesTheHandlerWithThatElement) {
    SkinnedWindow w;
    for (const char* name : {"b_convert", "b_Add", "file", "helpp", "p_stop"}) {
        QTest::mouseClick(w.Face(), Qt::LeftButton, {}, w.Centre(name));
    }
    EXPECT_EQ(w.clicks, (std::vector<QString>{QStringLiteral("b_convert"), QStringLiteral("b_Add"),
                                              QStringLiteral("file"), QStringLiteral("helpp"),
                                              QStringLiteral("p_stop")}));
}

TEST(SkinEngine, ClicksOutsideElementsOrDraggedOffDoNothing) {
    SkinnedWindow w;
    QTest::mouseClick(w.Face(), Qt::LeftButton, {}, QPoint(200, 20));  // empty header
    QTest::mouseClick(w.Face(), Qt::LeftButton, {}, w.Centre("pb"));   // not clickable
    QTest::mouseClick(w.Face(), Qt::RightButton, {}, w.Centre("b_convert"));
    // Pressed on one button, released on another: neither is clicked.
    QTest::mousePress(w.Face(), Qt::LeftButton, {}, w.Centre("b_Add"));
    QTest::mouseRelease(w.Face(), Qt::LeftButton, {}, w.Centre("b_clear"));
    EXPECT_TRUE(w.clicks.empty());
}

TEST(SkinEngine, SkinningAgainFromAClickHandlerIsSafe) {
    SkinnedWindow w;
    int seen = 0;
    w.skin.SetOnClick([&](ISkinObject&) {
        ++seen;
        w.skin.ApplySkin(&w.window);  // replaces the face that is delivering this click
    });
    QTest::mouseClick(w.Face(), Qt::LeftButton, {}, w.Centre("b_stop"));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(seen, 1);
    ASSERT_NE(w.Form(), nullptr);
    EXPECT_EQ(w.window.findChildren<QWidget*>(QStringLiteral("quorvelSkinFace")).size(), 1);
    QTest::mouseClick(w.Face(), Qt::LeftButton, {}, w.Centre("b_stop"));
    EXPECT_EQ(seen, 2);
}

TEST(SkinEngine, NothingHappensWithoutAFaceOrAWindow) {
    TSkin skin;
    QWidget window;
    EXPECT_EQ(skin.GetSkinForm(&window), nullptr);
    EXPECT_EQ(skin.GetSkinForm(nullptr), nullptr);
    skin.ApplySkin(nullptr);
    skin.ApplySkinObject(nullptr, QStringLiteral("Form"));
    skin.ApplySkinObject(&window, QStringLiteral("no such object"));
}

// Tab goes from the list to the skin's buttons one by one, in the skin's order, and on past the
// last; the focused one is ringed, and Space or Enter clicks it.
TEST(SkinEngine, TabWalksTheButtonsWithARingAndSpaceOrEnterClicksThem) {
    SkinnedWindow w;
    w.window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w.window));
    auto* face = dynamic_cast<TSkinFace*>(w.Form());
    ASSERT_NE(face, nullptr);
    const auto element = [&](const char* name) {
        const SkinRect r = w.Find(name)->GeometryInterface()->GetRect();
        return face->grab(QRect(r.left, r.top, r.right - r.left, r.bottom - r.top)).toImage();
    };
    const QImage plain = element("file");
    w.list->setFocus();
    QTest::keyClick(w.list, Qt::Key_Tab);
    ASSERT_TRUE(face->hasFocus());
    ASSERT_NE(face->Focused(), nullptr);
    EXPECT_EQ(face->Focused()->GetName(), QStringLiteral("file"));
    // The ring: a good part of the element's edge changes colour.
    const QImage ringed = element("file");
    int changed = 0;
    for (int y = 0; y < plain.height(); ++y) {
        for (int x = 0; x < plain.width(); ++x) {
            changed += plain.pixel(x, y) != ringed.pixel(x, y) ? 1 : 0;
        }
    }
    EXPECT_GT(changed, plain.width() + plain.height()) << "no visible focus ring";

    QTest::keyClick(face, Qt::Key_Space);
    QTest::keyClick(face, Qt::Key_Tab);
    EXPECT_EQ(face->Focused()->GetName(), QStringLiteral("action"));
    QTest::keyClick(face, Qt::Key_Return);
    QTest::keyClick(face, Qt::Key_Backtab);
    EXPECT_EQ(face->Focused()->GetName(), QStringLiteral("file"));
    EXPECT_EQ(w.clicks, (std::vector<QString>{QStringLiteral("file"), QStringLiteral("action")}));

    QStringList walked{QStringLiteral("file")};
    for (int i = 0; i < 40 && face->hasFocus(); ++i) {
        QTest::keyClick(face, Qt::Key_Tab);
        if (face->hasFocus()) {
            walked << face->Focused()->GetName();
        }
    }
    EXPECT_FALSE(face->hasFocus()) << "Tab never left the buttons";
    EXPECT_EQ(walked,
              QString::fromLatin1("file action setting help b_pause helpp b_dir b_open b_Add "
                                  "b_remove b_clear b_id3 b_convert b_nomalize b_stop p_play "
                                  "p_stop")
                  .split(QLatin1Char(' ')));
}

}  // namespace
