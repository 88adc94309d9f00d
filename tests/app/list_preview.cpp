// list-preview: the real main window with the files or folders given on the command line added
// as a drop adds them, for looking at (and screenshotting) the file list. With --chooser, the
// Add Folder chooser is opened over it afterwards; with --convert, a conversion starts.
//   list-preview [--chooser] [--convert] PATH...
#include <QApplication>
#include <QTimer>

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
    Tfm_main window(MakeRealParts());
    window.show();
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
