#include <QApplication>

#include "app/program.h"
#include "outside/signals/termination_signals.h"
#include "tags/wma_tag.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetApplicationIdentity();

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
        status = app.exec();
    }
    ShutdownWmaAudioInfo();
    return status;
}
