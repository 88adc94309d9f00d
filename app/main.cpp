#include <QApplication>

#include "app/image_list.h"
#include "app/main_window.h"
#include "app/secondary_windows.h"
#include "tags/wma_tag.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral("3.00"));
    QApplication::setWindowIcon(ProgramIcon());
    // The desktop entry's name, so the desktop matches the windows to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvel"));

    // The WMA tag module is loaded once, before any window exists.
    InitWmaAudioInfo();

    // Created in this order and alive for the whole run; the first is the main window.
    Tfm_main fm_main(MakeRealParts());
    auto* fm_about = new Tfm_about(&fm_main);
    auto* fm_dir = new Tfm_dir(&fm_main);
    auto* fm_set = new Tfm_set(&fm_main);
    auto* fm_id3 = new Tfm_id3(fm_main.lv(), fm_main.State().Tags, fm_main.State().EditTags,
                               MakeRealSkinLabel, &fm_main);
    fm_main.SetSecondaryWindows(fm_about, fm_dir, fm_set, fm_id3);

    fm_main.show();
    const int status = app.exec();
    ShutdownWmaAudioInfo();
    return status;
}
