#include "settings/output_names_setting.h"

#include "settings/app_settings.h"
#include "settings/settings_file.h"

namespace {
const QString kSection = QStringLiteral("Names");
}

OutputNaming ReadOutputNaming(const SettingsFile& file) {
    OutputNaming n;
    n.pattern = file.ReadWholeText(kSection, QStringLiteral("pattern"), QString()).trimmed();
    const int existing = file.ReadNumber(kSection, QStringLiteral("existing"), 0);
    n.existing = existing >= 0 && existing <= 2 ? static_cast<ExistingOutput>(existing)
                                                : ExistingOutput::Number;
    n.mirror = file.ReadFlag(kSection, QStringLiteral("mirror"), false);
    return n;
}

void WriteOutputNaming(SettingsFile& file, const OutputNaming& naming) {
    file.WriteText(kSection, QStringLiteral("pattern"), naming.pattern);
    file.WriteNumber(kSection, QStringLiteral("existing"), static_cast<int>(naming.existing));
    file.WriteFlag(kSection, QStringLiteral("mirror"), naming.mirror);
}

bool ReadSaveBeside(const SettingsFile& file) {
    return ReadSwitch(file, QStringLiteral("Format"), QStringLiteral("beside"));
}

void WriteSaveBeside(SettingsFile& file, bool beside) {
    file.WriteText(QStringLiteral("Format"), QStringLiteral("beside"),
                   beside ? QStringLiteral("on") : QStringLiteral("off"));
}
