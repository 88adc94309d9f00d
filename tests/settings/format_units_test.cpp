// Every output format unit against the places that read its keys: the settings page built from
// them, the writer configuration and the range messages. One table: the units themselves.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

#include "fakes/fake_audio.h"
#include "formats/configure_writer.h"
#include "formats/output_formats.h"
#include "settings/app_settings.h"
#include "settings/settings_dialog.h"
#include "settings/settings_file.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

// The calls a format's configuration sends for the file, or the message it refuses it with.
QStringList Calls(int code, const QString& path) {
    const SettingsFile file(path);
    CallLog log = MakeCallLog();
    RecordingLameEncoder encoder(log);
    FakeAudioFile writer(S("Writer"), log);
    try {
        ConfigureWriter(code, file, QString(), encoder, writer);
    } catch (const ConfigureError& e) {
        return {e.Message()};
    }
    return *log;
}

// Keys read as they are and judged by the component they go to (a mode, a channel count, the
// writer-checked limits) have no page row and no option.
bool Checked(const FormatKey& key) {
    return key.caption != nullptr || key.option != nullptr;
}

// The control a unit's page builds for a key.
QWidget* Control(QWidget& dialog, const FormatKey& key) {
    const char* prefix = key.kind == FormatKey::Kind::Number ? "ud"
                         : key.kind == FormatKey::Kind::Flag ? "ck"
                                                             : "cb";
    return dialog.findChild<QWidget*>(
        QStringLiteral("%1_%2_%3").arg(S(prefix), S(key.section), S(key.key)));
}

TEST(FormatUnits, KeysAgreeWithThePageTheConfigurationAndTheRanges) {
    QWidget main;
    main.show();
    TempDir dir;
    const QString path = dir.File(S("Quorvel.ini"));
    AppSettings app;
    auto file = std::make_unique<SettingsFile>(path);

    QHash<int, QStringList> fresh;
    for (const OutputFormat* format : OutputFormats()) {
        fresh[format->code] = Calls(format->code, path);
        EXPECT_FALSE(fresh[format->code].isEmpty()) << format->cliName;
    }

    {
        // An empty file, then Ok without a change, configures every format as the empty file did.
        Tfm_set dialog(app, file, &main);
        dialog.show();
        for (const OutputFormat* format : OutputFormats()) {
            if (format->page != FormatPageKind::Keys) {
                continue;
            }
            for (const FormatKey& key : format->keys) {
                QWidget* control = Control(dialog, key);
                ASSERT_NE(control, nullptr) << format->cliName << " " << key.key;
                EXPECT_FALSE(control->toolTip().isEmpty()) << key.key;
                if (auto* box = qobject_cast<QSpinBox*>(control)) {
                    EXPECT_EQ(box->minimum(), key.low) << key.key;
                    EXPECT_EQ(box->maximum(), key.high) << key.key;
                    EXPECT_EQ(box->value(), key.fallback) << key.key;
                } else if (auto* list = qobject_cast<QComboBox*>(control)) {
                    EXPECT_EQ(list->count(), static_cast<int>(key.choices.size())) << key.key;
                    EXPECT_EQ(key.choices.size(), key.values.size()) << key.key;
                } else {
                    ASSERT_NE(qobject_cast<QCheckBox*>(control), nullptr) << key.key;
                }
            }
        }
        QTest::mouseClick(dialog.findChild<QPushButton*>(S("Ok")), Qt::LeftButton);
    }
    for (const OutputFormat* format : OutputFormats()) {
        // The MP3 pages have always shown a quality of 4 for a missing key where the encoder
        // takes 5, and stored files rely on either; every other unit shows what it uses.
        if (format->code != 0) {
            EXPECT_EQ(Calls(format->code, path).join(S("\n")).toStdString(),
                      fresh[format->code].join(S("\n")).toStdString())
                << format->cliName;
        }
    }

    // A stored value beyond a checked key's range is refused, naming the key and the range the
    // unit gives (or the values a list allows).
    for (const OutputFormat* format : OutputFormats()) {
        for (const FormatKey& key : format->keys) {
            if (!Checked(key) || key.kind == FormatKey::Kind::Flag) {
                continue;
            }
            QByteArray ini = QByteArray("[") + key.section + "]\n";
            for (const QString& set :
                 S(key.alsoSets ? key.alsoSets : "").split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
                ini += set.toUtf8() + "\n";
            }
            const long long beyond = static_cast<long long>(key.high) + 1;
            ini += QByteArray(key.key) + "=" + QByteArray::number(beyond) + "\n";
            const QString expected = key.kind == FormatKey::Kind::Choice
                                         ? QStringLiteral("[%1] %2 = %3 is not one of ")
                                               .arg(S(key.section), S(key.key))
                                               .arg(beyond)
                                         : QStringLiteral("[%1] %2 = %3 is outside %4..%5")
                                               .arg(S(key.section), S(key.key))
                                               .arg(beyond)
                                               .arg(key.low)
                                               .arg(key.high);
            const QStringList calls = Calls(format->code, dir.Write(S("range.ini"), ini));
            ASSERT_EQ(calls.size(), 1) << format->cliName << " " << key.key;
            EXPECT_TRUE(calls[0].startsWith(expected))
                << calls[0].toStdString() << " / " << expected.toStdString();
        }
    }
}

}  // namespace
