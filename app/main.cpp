#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <cstdio>
#include <cstring>

#include "app/file_list_commands.h"
#include "app/program.h"
#include "app/translations.h"
#include "outside/signals/termination_signals.h"
#include "quorvel_version.h"
#include "tags/wma_tag.h"

namespace {

const char kUsage[] =
    "Usage: quorvel [--version] [--help] [--] [FILE|FOLDER...]\n"
    "\n"
    "Opens the Quorvel window. Each FILE is added to the list as Add File adds it, each FOLDER\n"
    "as Add Folder adds its audio files.\n"
    "\n"
    "  --version   show the version\n"
    "  --help      show this text\n"
    "\n"
    "Qt's own options (-platform NAME, -style NAME, -display DISPLAY …) are understood too.\n"
    "Without a display, use quorvel-cli (quorvel-cli --help).\n";

// Answered before the application object exists, so they work without a display. Returns the
// exit status, or -1 when the window is to start.
int AnswerInformationOptions(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0) {
            break;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::fputs("quorvel " QUORVEL_VERSION "\n", stdout);
            return 0;
        }
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    if (const int status = AnswerInformationOptions(argc, argv); status >= 0) {
        return status;
    }
    QApplication app(argc, argv);
    SetApplicationIdentity();
    // The windows speak the system's language where we have its catalogue; what goes to the
    // terminal stays English.
    InstallTranslations(QLocale(), TranslationFolders());

    // What Qt did not take: files and folders to add, or an option we do not know.
    QStringList paths;
    bool optionsEnded = false;
    for (const QString& arg : QCoreApplication::arguments().mid(1)) {
        if (!optionsEnded && arg == QStringLiteral("--")) {
            optionsEnded = true;
        } else if (!optionsEnded && arg.startsWith(u'-') && arg.size() > 1) {
            std::fprintf(stderr, "quorvel: unknown option '%s' (try --help)\n",
                         arg.toLocal8Bit().constData());
            return 2;
        } else {
            paths << QFileInfo(arg).absoluteFilePath();
        }
    }

    // The WMA tag module is loaded once, before any window exists.
    InitWmaAudioInfo();

    int status = 0;
    {
        const Program program = CreateProgram();
        // SIGTERM and SIGHUP close the window as the user would: a batch stops (its cut file is
        // deleted) and the settings are written. A close refused once is obeyed the second time.
        const TerminationSignals onTermination([&program](int) {
            program.fm_main->close();
            if (program.fm_main->isVisible()) {
                program.fm_main->close();
            }
        });
        program.fm_main->show();
        // Once the window is up, so the add shows its progress and can be interrupted.
        if (!paths.isEmpty()) {
            QTimer::singleShot(0, program.fm_main.get(),
                               [&program, paths] { program.fm_main->FileList().AddPaths(paths); });
        }
        status = app.exec();
    }
    ShutdownWmaAudioInfo();
    return status;
}
