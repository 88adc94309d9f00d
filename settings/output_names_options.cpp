#include "settings/output_names_options.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

#include "filelist/name_pattern.h"

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
    example_->setGeometry(10, 66, 224, 40);
    example_->setWordWrap(true);
    example_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    example_->setToolTip(tr("How a track would be named with this pattern"));

    auto* exists = new QLabel(tr("When the output exists:"), box);
    exists->setGeometry(10, 112, 224, kRow);
    existing_ = new QComboBox(box);
    existing_->setObjectName(QStringLiteral("cb_existing"));
    existing_->setGeometry(10, 134, 224, kRow + 2);
    existing_->addItems({tr("Number the new one (song_1)"), tr("Skip the file"),
                         tr("Replace it when older than the input")});
    existing_->setToolTip(
        tr("Skip or replace-when-older let a second run convert only what is new; nothing else is "
           "ever replaced"));

    mirror_ = new QCheckBox(tr("Keep the folder structure"), box);
    mirror_->setObjectName(QStringLiteral("cb_mirror"));
    mirror_->setGeometry(10, 166, 224, kRow);
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

void OutputNamesOptions::ShowExample() {
    example_->setText(ExampleText(pattern_->text()));
}

void OutputNamesOptions::Load(const OutputNaming& naming) {
    pattern_->setText(naming.pattern);
    existing_->setCurrentIndex(static_cast<int>(naming.existing));
    mirror_->setChecked(naming.mirror);
}

OutputNaming OutputNamesOptions::Values() const {
    OutputNaming n;
    n.pattern = pattern_->text().trimmed();
    n.existing = static_cast<ExistingOutput>(std::max(0, existing_->currentIndex()));
    n.mirror = mirror_->isChecked();
    return n;
}
