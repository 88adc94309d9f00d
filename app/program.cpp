#include "app/program.h"

#include <QApplication>

#include "app/image_list.h"
#include "app/information_box.h"
#include "app/list_naming_host.h"
#include "app/secondary_windows.h"
#include "quorvel_version.h"

void SetApplicationIdentity() {
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quorvel"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    QApplication::setWindowIcon(ProgramIcon());
    // The desktop entry's name, so the desktop matches the windows to it.
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvel"));
}

Program CreateProgram() {
    Program p;
    p.fm_main = std::make_unique<Tfm_main>(MakeRealParts());
    Tfm_main* main = p.fm_main.get();
    p.fm_about = new Tfm_about(main);
    p.fm_dir = new Tfm_dir(main);
    p.fm_set = new Tfm_set(main->State().appSettings, main->State().settingsFile, main);
    p.fm_set->SetErrorReport(ShowErrorReport);
    p.fm_set->SetNamingExampleHost(new ListNamingHost(main->Rows(), main->lv(), p.fm_set));
    p.fm_id3 = new Tfm_id3(main->Rows(), MakeRealSkinLabel, main);
    main->SetSecondaryWindows(p.fm_about, p.fm_dir, p.fm_set, p.fm_id3);
    return p;
}
