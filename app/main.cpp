#include <QApplication>

#include "app/program.h"
#include "tags/wma_tag.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    SetApplicationIdentity();

    // The WMA tag module is loaded once, before any window exists.
    InitWmaAudioInfo();

    int status = 0;
    {
        const Program program = CreateProgram();
        program.fm_main->show();
        status = app.exec();
    }
    ShutdownWmaAudioInfo();
    return status;
}
