#include "settings/output_names_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include <QHash>
#include <algorithm>

#include "filelist/name_pattern.h"
#include "settings/naming_example_host.h"

namespace {
constexpr int kWidth = 244;
constexpr int kRow = 21;
}  // namespace

OutputNamesOptions::OutputNamesOptions(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("gb_names"));
    auto* box = new QGroupBox(tr("Output Names"), this);
    box->setGeometry(0, 0, kWidth, 235);

    auto* caption = new QLabel(tr("Name pattern (empty: title or file name):"), box);
    caption->setGeometry(10, 20, 224, kRow);
    pattern_ = new QLineEdit(box);
    pattern_->setObjectName(QStringLiteral("ed_pattern"));
    pattern_->setGeometry(10, 42, 224, kRow + 2);
    pattern_->setPlaceholderText(QStringLiteral("{artist}/{album}/{track} - {title}"));
    pattern_->setToolTip(
        tr("Fields: {title} {artist} {album} {albumartist} {track} {disc} {year} "
           "{genre} {filename}; \"/\" makes a sub-folder. Missing fields read "
           "\"Unknown Artist\" and so on."));
    example_ = new QLabel(box);
    example_->setObjectName(QStringLiteral("lb_example"));
    example_->setGeometry(10, 66, 224, 30);
    example_->setWordWrap(true);
    example_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    example_->setToolTip(
        tr("How the selected file (else the first) would be named with this "
           "pattern"));
    warning_ = new QLabel(box);
    warning_->setObjectName(QStringLiteral("lb_clash"));
    warning_->setGeometry(10, 96, 224, 30);
    warning_->setWordWrap(true);
    warning_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A red that reads on the light and the dark skins alike.
    warning_->setStyleSheet(QStringLiteral("color: #e0483e;"));
    warning_->hide();

    auto* exists = new QLabel(tr("When the output exists:"), box);
    exists->setGeometry(10, 130, 224, kRow);
    existing_ = new QComboBox(box);
    existing_->setObjectName(QStringLiteral("cb_existing"));
    existing_->setGeometry(10, 152, 224, kRow + 2);
    existing_->addItems({tr("Number the new one (song_1)"), tr("Skip the file"),
                         tr("Replace it when older than the input")});
    existing_->setToolTip(
        tr("Skip or replace-when-older let a second run convert only what is new; nothing else is "
           "ever replaced"));

    mirror_ = new QCheckBox(tr("Keep the folder structure"), box);
    mirror_->setObjectName(QStringLiteral("cb_mirror"));
    mirror_->setGeometry(10, 184, 224, kRow);
    mirror_->setToolTip(
        tr("Files added with Add Folder go into the same sub-folders of the output folder"));

    connect(pattern_, &QLineEdit::textChanged, this, [this] { ShowExample(); });
    ShowExample();
}

QString OutputNamesOptions::ExampleText(const QString& pattern) {
    const NameFields fields = ExampleNameFields();
    if (pattern.trimmed().isEmpty()) {
        return tr("Example: %1").arg(fields.title);
    }
    return tr("Example: %1")
        .arg(ExpandNamePattern(pattern.trimmed(), fields).join(QLatin1Char('/')));
}

OutputNamesOptions::Example OutputNamesOptions::ExampleFor(const QString& pattern,
                                                           NamingExampleHost* host) {
    const int count = host ? host->RowCount() : 0;
    const int shown = host ? host->ExampleRow() : -1;
    if (count <= 0 || shown < 0 || shown >= count) {
        return {ExampleText(pattern), {}};
    }
    // The plain rule names a file after its title, else its file name.
    const QString used =
        pattern.trimmed().isEmpty() ? QStringLiteral("{title}") : pattern.trimmed();
    const auto nameOf = [&](int row) {
        return ExpandNamePattern(used, host->FieldsOf(row)).join(QLatin1Char('/'));
    };
    Example example{tr("Example: %1").arg(nameOf(shown)), {}};
    QHash<QString, int> uses;
    for (int row = 0; row < count; ++row) {
        ++uses[nameOf(row)];
    }
    QString clash = nameOf(shown);
    if (uses.value(clash) < 2) {
        clash.clear();
        int most = 1;
        for (auto it = uses.cbegin(); it != uses.cend(); ++it) {
            // Ties go to the name that sorts first, so the warning does not flicker.
            if (it.value() > most || (it.value() == most && most > 1 && it.key() < clash)) {
                most = it.value();
                clash = it.key();
            }
        }
    }
    if (!clash.isEmpty()) {
        example.warning = tr("%1 files would be named %2").arg(uses.value(clash)).arg(clash);
    }
    return example;
}

void OutputNamesOptions::SetHost(NamingExampleHost* host) {
    host_ = host;
    ShowExample();
}

void OutputNamesOptions::ShowExample() {
    const Example example = ExampleFor(pattern_->text(), host_);
    example_->setText(example.text);
    // A word that is no field stops the batch: that comes before any clash of names.
    const QStringList unknown = UnknownPatternFields(pattern_->text());
    if (!unknown.isEmpty()) {
        const QString text = unknown.size() == 1
                                 ? tr("%1 is not a field").arg(unknown.first())
                                 : tr("%1 are not fields").arg(unknown.join(QStringLiteral(", ")));
        warning_->setText(text);
        warning_->setToolTip(text + QLatin1Char('\n') +
                             tr("The fields are {title} {artist} {album} {albumartist} {track} "
                                "{disc} {year} {genre} {filename}"));
        warning_->setVisible(true);
        return;
    }
    warning_->setText(example.warning);
    warning_->setToolTip(example.warning + QLatin1Char('\n') +
                         tr("Files given one name are numbered (song_1, song_2 ...): a pattern "
                            "with more fields tells them apart"));
    warning_->setVisible(!example.warning.isEmpty());
}

void OutputNamesOptions::Load(const OutputNaming& naming) {
    if (host_) {
        host_->Reread();
    }
    pattern_->setText(naming.pattern);
    existing_->setCurrentIndex(static_cast<int>(naming.existing));
    mirror_->setChecked(naming.mirror);
    ShowExample();  // the rows and the selection may have changed too
}

OutputNaming OutputNamesOptions::Values() const {
    OutputNaming n;
    n.pattern = pattern_->text().trimmed();
    n.existing = static_cast<ExistingOutput>(std::max(0, existing_->currentIndex()));
    n.mirror = mirror_->isChecked();
    return n;
}
