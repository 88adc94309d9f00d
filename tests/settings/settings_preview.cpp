// settings-preview: opens the settings dialog over a skinned stand-in main window, on one page,
// so each page can be looked at (and screenshotted) without the rest of the program, in the
// system's language where the build has its catalogue.
//   settings-preview [--node N] [--grab FILE.png]   (N: absolute tree index, 0 "General")
#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QTemporaryDir>
#include <QTimer>
#include <QTranslator>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include "outside/skin/skin_engine.h"
#include "settings/app_settings.h"
#include "settings/settings_dialog.h"
#include "settings/settings_file.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption nodeOption(QStringLiteral("node"), QStringLiteral("Tree node."),
                                        QStringLiteral("index"), QStringLiteral("0"));
    const QCommandLineOption grabOption(QStringLiteral("grab"),
                                        QStringLiteral("Save the dialog as PNG and quit."),
                                        QStringLiteral("png"));
    parser.addOptions({nodeOption, grabOption});
    parser.process(app);

    // The system's language, from the build's catalogues beside the program (LANGUAGE=de).
    QTranslator translator;
    if (translator.load(QLocale(), QStringLiteral("quorvel"), QStringLiteral("_"),
                        QDir(QCoreApplication::applicationDirPath())
                            .filePath(QStringLiteral("translations")))) {
        QCoreApplication::installTranslator(&translator);
    }

    QWidget window;
    window.setFixedSize(471, 380);
    TSkin skin;
    skin.LoadSkin(
        QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("mp3enc.dll")));
    skin.ApplySkin(&window);
    skin.ApplySkinObject(&window, QStringLiteral("Form"));
    window.show();

    QTemporaryDir dir;
    AppSettings settings;
    auto file = std::make_unique<SettingsFile>(QDir(dir.path()).filePath(QStringLiteral("q.ini")));
    Tfm_set dialog(settings, file, &window);
    auto* tree = dialog.findChild<QTreeWidget*>(QStringLiteral("TreeView1"));
    tree->expandAll();
    QTreeWidgetItemIterator it(tree);
    for (int i = 0; *it && i < parser.value(nodeOption).toInt(); ++i) {
        ++it;
    }
    tree->setCurrentItem(*it);
    dialog.show();
    if (parser.isSet(grabOption)) {
        QTimer::singleShot(300, &dialog, [&] {
            dialog.grab().save(parser.value(grabOption));
            QApplication::quit();
        });
    }
    return QApplication::exec();
}
