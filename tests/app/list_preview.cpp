// list-preview: the real main window with the files or folders given on the command line added
// as a drop adds them, for looking at (and screenshotting) the file list. With --chooser, the
// Add Folder chooser is opened over it afterwards; with --convert, a conversion starts (--pause:
// and is paused after PAUSE_MS); --tab N presses Tab N times from the list; --shot FILE saves
// the window after SHOT_MS and quits.
//   list-preview [--chooser] [--convert [--pause PAUSE_MS]] [--tab N] [--shot FILE SHOT_MS] PATH...
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>
#include <QTreeView>

#include "app/file_list_commands.h"
#include "app/main_window.h"
#include "tags/wma_tag.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvel"));
    InitWmaAudioInfo();
    QStringList paths = QApplication::arguments().mid(1);
    const bool chooser = paths.removeAll(QStringLiteral("--chooser")) > 0;
    const bool convert = paths.removeAll(QStringLiteral("--convert")) > 0;
    // An option and the values after it, taken out of the paths.
    const auto take = [&paths](const char* name, int count) {
        QStringList values;
        const int at = paths.indexOf(QLatin1String(name));
        if (at >= 0 && at + count < paths.size()) {
            values = paths.mid(at + 1, count);
            paths.remove(at, count + 1);
        }
        return values;
    };
    const QStringList pause = take("--pause", 1);
    const QStringList tabs = take("--tab", 1);
    const QStringList shot = take("--shot", 2);
    Tfm_main window(MakeRealParts());
    window.show();
    if (!pause.isEmpty()) {
        QTimer::singleShot(pause[0].toInt(), &window, [&] { window.PauseWork(); });
    }
    if (!tabs.isEmpty()) {
        QTimer::singleShot(300, &window, [&] {
            // Xvfb has no window manager to make the window active.
            QApplication::setActiveWindow(&window);
            window.lv()->setFocus();
            for (int i = 0; i < tabs[0].toInt() && QApplication::focusWidget(); ++i) {
                QKeyEvent tab(QEvent::KeyPress, Qt::Key_Tab, Qt::NoModifier);
                QApplication::sendEvent(QApplication::focusWidget(), &tab);
            }
        });
    }
    if (!shot.isEmpty()) {
        QTimer::singleShot(shot[1].toInt(), &window, [&] {
            window.grab().save(shot[0]);
            window.StopWork();
            QApplication::quit();
        });
    }
    QTimer::singleShot(0, &window, [&] {
        window.FileList().AddPaths(paths);
        if (chooser) {
            window.FileList().AddFolder();
        }
        if (convert) {
            window.ConvertAll();
        }
    });
    const int status = app.exec();
    ShutdownWmaAudioInfo();
    return status;
}
