#include "cli/commands.h"

int RunSettingsCommand(const QStringList&, QTextStream&, QTextStream& err) {
    err << "settings: not available yet\n";
    return kCliFailed;
}
