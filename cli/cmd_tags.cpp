#include "cli/commands.h"

int RunTagsCommand(const QStringList&, QTextStream&, QTextStream& err) {
    err << "tags: not available yet\n";
    return kCliFailed;
}
