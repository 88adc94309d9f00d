// The settings dialog offscreen: pages, loading, the enable rules, Ok / Default / Cancel.
#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <QWheelEvent>

#include "formats/output_formats.h"
#include "settings/app_settings.h"
#include "settings/naming_example_host.h"
#include "settings/output_names_options.h"
#include "settings/output_names_setting.h"
#include "settings/settings_dialog.h"
#include "settings/settings_file.h"
#include "settings/settings_page.h"
#include "support/temp_dir.h"

namespace {

QString S(const char* text) {
    return QString::fromUtf8(text);
}

class SettingsDialogTest : public ::testing::Test {
  protected:
    SettingsDialogTest() {
        main.setGeometry(200, 150, 471, 380);
        main.show();
        file = std::make_unique<SettingsFile>(path);
        dialog.SetErrorReport([this](QWidget*, const QString& text) { errors << text; });
    }
    ~SettingsDialogTest() override { dialog.hide(); }

    template <typename W>
    W* Get(const char* name) {
        W* w = dialog.findChild<W*>(S(name));
        EXPECT_NE(w, nullptr) << name;
        return w;
    }
    QWidget* W(const char* name) { return Get<QWidget>(name); }
    QCheckBox* Box(const char* name) { return Get<QCheckBox>(name); }
    QComboBox* List(const char* name) { return Get<QComboBox>(name); }
    QRadioButton* Radio(const char* group, int index) {
        return Get<QGroupBox>(group)->findChildren<QRadioButton*>().at(index);
    }
    void Show(const char* ini = nullptr) {
        if (ini) {
            dir.Write(S("q.ini"), ini);
        }
        dialog.show();
    }
    void Click(const char* button) { QTest::mouseClick(Get<QPushButton>(button), Qt::LeftButton); }
    void ClickNode(int absoluteIndex) {
        auto* tree = Get<QTreeWidget>("TreeView1");
        QTreeWidgetItemIterator it(tree);
        for (int i = 0; i < absoluteIndex; ++i) {
            ++it;
        }
        tree->scrollToItem(*it);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(*it).center());
    }
    void PickCodingMethod(int index) {
        List("cb_mp3vbrcm")->setCurrentIndex(index);
        emit List("cb_mp3vbrcm")->activated(index);  // as a user's pick
    }
    QString VisiblePage() {
        for (const char* page : {"gb_cdgeneral", "gb_mp3general", "gb_mp3vbr", "gb_filter",
                                 "gb_expert", "gb_presets", "gb_command", "gb_wav"}) {
            if (W(page)->isVisibleTo(&dialog)) {
                return S(page);
            }
        }
        return {};
    }
    QString Heading() { return Get<QLabel>("lab")->text(); }
    QString Stored() { return QString::fromUtf8(ReadAll(path)); }

    TempDir dir;
    QString path = dir.File(S("q.ini"));
    QWidget main;
    AppSettings settings;
    std::unique_ptr<SettingsFile> file;
    Tfm_set dialog{settings, file, &main};
    QStringList errors;
};

TEST_F(SettingsDialogTest, OpensOnGeneralCentredThenShowsTheClickedNodesPage) {
    Show();
    EXPECT_EQ(dialog.size(), QSize(380, 313));
    EXPECT_EQ(dialog.windowTitle(), S("Settings"));
    EXPECT_EQ(Heading(), S("Set General"));
    EXPECT_EQ(VisiblePage(), S("gb_cdgeneral"));
    EXPECT_LE((dialog.frameGeometry().center() - main.frameGeometry().center()).manhattanLength(),
              2);
    auto* tree = Get<QTreeWidget>("TreeView1");
    EXPECT_FALSE(tree->topLevelItem(1)->isExpanded());  // "MP3" starts collapsed
    EXPECT_TRUE(Get<QLabel>("lab")->font().bold());
    EXPECT_GT(Get<QLabel>("lab")->font().pointSizeF(), dialog.font().pointSizeF());

    ClickNode(1);
    EXPECT_EQ(Heading(), S("Set MP3 General"));
    EXPECT_EQ(VisiblePage(), S("gb_mp3general"));
    tree->expandAll();
    const std::pair<int, const char*> nodes[] = {
        {2, "gb_mp3general"}, {3, "gb_mp3vbr"},  {4, "gb_filter"}, {5, "gb_expert"},
        {6, "gb_presets"},    {7, "gb_command"}, {8, "gb_wav"}};
    for (const auto& [index, page] : nodes) {
        ClickNode(index);
        EXPECT_EQ(VisiblePage(), S(page)) << index;
    }
    EXPECT_EQ(Heading(), S("Set WAV Format"));

    // The next showing: the page last chosen, the main window's top-left corner, still 100 items.
    dialog.hide();
    settings.NormalizeVolume = 98;
    Show();
    EXPECT_EQ(VisiblePage(), S("gb_wav"));
    EXPECT_EQ(dialog.frameGeometry().topLeft(), main.frameGeometry().topLeft());
    QComboBox* nor = List("cb_nor");
    ASSERT_EQ(nor->count(), 100);
    EXPECT_EQ(nor->itemText(0), S("1"));
    EXPECT_EQ(nor->itemText(99), S("100"));
    EXPECT_EQ(nor->currentText(), S("98"));
}

// After "General", one node per format with a page, in the format table's order; the older
// nodes keep their absolute indices.
TEST_F(SettingsDialogTest, TheTreeHasAPageForEveryFormatTheTableGivesOne) {
    Show();
    auto* tree = Get<QTreeWidget>("TreeView1");
    QStringList topLevel;
    for (int i = 0; i < tree->topLevelItemCount(); ++i) {
        topLevel << tree->topLevelItem(i)->text(0);
    }
    QStringList expected{S("General")};
    for (const OutputFormat* format : OutputFormats()) {
        if (format->page != FormatPageKind::None) {
            expected << S(format->shown);
        }
    }
    EXPECT_EQ(topLevel, expected << S("Names"));
    const struct {
        int node;
        const char* page;
        const char* heading;
    } nodes[] = {{9, "gb_flac", "Set FLAC Format"},        {10, "gb_ogg", "Set Ogg Vorbis Format"},
                 {11, "gb_opus", "Set Opus Format"},       {12, "gb_m4a", "Set M4A (AAC) Format"},
                 {13, "gb_alac", "Set ALAC Format"},       {14, "gb_aiff", "Set AIFF Format"},
                 {15, "gb_wavpack", "Set WavPack Format"}, {8, "gb_wav", "Set WAV Format"}};
    for (const auto& n : nodes) {
        ClickNode(n.node);
        EXPECT_EQ(Heading(), S(n.heading));
        EXPECT_TRUE(W(n.page)->isVisibleTo(&dialog)) << n.page;
    }
    EXPECT_EQ(dialog.findChildren<SettingsPage*>().size(), 16);  // "MP3" adds no second page
    // A page built from a unit's keys shows the unit's own texts.
    EXPECT_EQ(Box("ck_flac_dither")->text(), S("Dither when reducing the bit depth"));
    EXPECT_EQ(List("cb_flac_bits")->itemText(0), S("As the source"));
}

// What Ok stores for each key of the new pages: stored values come back as they were, values
// beyond a number box's range are brought to the nearer end, and a list position no list holds
// is written back unchanged. Default then puts the factory values in.
TEST_F(SettingsDialogTest, FormatPagesRoundTripTheirKeys) {
    const struct {
        const char* section;
        const char* key;
        const char* stored;  // null: absent
        int afterOk;
        int afterDefault;
    } keys[] = {
        {"flac", "level", "8", 8, 5},        {"ogg", "oggvbr", nullptr, 0, 0},
        {"ogg", "oggquality", "1", 1, 1},    {"ogg", "bitrate", "40", 40, 9},
        {"ogg", "min bitrate", "0", 0, 0},   {"ogg", "max bitrate", "16", 16, 0},
        {"ogg", "quality", "-55", -55, 500}, {"ogg", "frequency", "8", 8, 7},
        {"ogg", "channel", "0", 0, 1},       {"opus", "bitrate", "600", 510, 128},
        {"opus", "vbr", "0", 0, 1},          {"m4a", "bitrate", "31", 32, 192},
    };
    QByteArray ini;
    for (const char* section : {"flac", "ogg", "opus", "m4a"}) {
        ini += QByteArray("[") + section + "]\n";
        for (const auto& k : keys) {
            if (k.stored && qstrcmp(k.section, section) == 0) {
                ini += QByteArray(k.key) + "=" + k.stored + "\n";
            }
        }
    }
    Show(ini.constData());
    EXPECT_EQ(List("cb_ogg_mode")->currentText(), S("Quality"));
    EXPECT_DOUBLE_EQ(Get<QDoubleSpinBox>("ud_ogg_quality")->value(), -0.55);
    EXPECT_TRUE(W("ud_ogg_quality")->isEnabled());
    EXPECT_FALSE(W("cb_ogg_bitrate")->isEnabled());
    EXPECT_EQ(List("cb_ogg_bitrate")->currentIndex(), -1);
    EXPECT_EQ(List("cb_ogg_max")->currentText(), S("320 Kbps"));
    EXPECT_EQ(List("cb_ogg_min")->currentText(), S("No limit"));
    Click("Ok");
    for (const auto& k : keys) {
        EXPECT_EQ(SettingsFile(path).ReadNumber(S(k.section), S(k.key), -999), k.afterOk)
            << k.section << " " << k.key;
    }
    Show();
    Click("Button2");
    Click("Ok");
    for (const auto& k : keys) {
        EXPECT_EQ(SettingsFile(path).ReadNumber(S(k.section), S(k.key), -999), k.afterDefault)
            << k.section << " " << k.key;
    }
}

// Both Ogg flags set: the encoder ends with the limited bit rate, so the page shows that mode and
// Ok keeps what the encoder does.
TEST_F(SettingsDialogTest, OggPageShowsTheModeTheEncoderUses) {
    Show("[ogg]\noggvbr=1\noggquality=1\n");
    EXPECT_EQ(List("cb_ogg_mode")->currentText(), S("Bit rate within limits"));
    EXPECT_TRUE(W("cb_ogg_min")->isEnabled() && W("cb_ogg_bitrate")->isEnabled());
    EXPECT_FALSE(W("ud_ogg_quality")->isEnabled());
    Click("Ok");
    EXPECT_TRUE(SettingsFile(path).ReadFlag(S("ogg"), S("oggvbr"), false));
    Show("[ogg]\nchannel=1\n");
    EXPECT_EQ(List("cb_ogg_mode")->currentText(), S("Average bit rate"));
    EXPECT_FALSE(W("cb_ogg_max")->isEnabled());
}

// The General page is scrolled past its lists: a wheel over one that has not the focus scrolls the
// page and changes no setting.
TEST_F(SettingsDialogTest, AWheelOverAnUnfocusedListScrollsThePageInstead) {
    Show();
    QComboBox* mode = List("cb_normode");
    auto* scroll = W("gb_cdgeneral")->findChild<QScrollArea*>();
    ASSERT_NE(scroll, nullptr);
    const int before = mode->currentIndex();
    ASSERT_FALSE(mode->hasFocus());
    QWheelEvent wheel(QPointF(5, 5), mode->mapToGlobal(QPointF(5, 5)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(mode, &wheel);
    EXPECT_EQ(mode->currentIndex(), before);
    EXPECT_GT(scroll->verticalScrollBar()->value(), 0);
    EXPECT_EQ(mode->focusPolicy(), Qt::StrongFocus);
}

TEST_F(SettingsDialogTest, FilterAndVbrRulesFollowTheirControls) {
    Show();
    struct Rule {
        const char* box;
        std::vector<const char*> controlled;
    };
    for (const Rule& r : {Rule{"chHFilt", {"udHFiltF", "udHFiltW", "Label15"}},
                          Rule{"chLFilt", {"udLFiltF", "udLFiltW", "Label20"}}}) {
        for (bool on : {true, false}) {
            Box(r.box)->setChecked(on);
            for (const char* name : r.controlled) {
                EXPECT_EQ(W(name)->isEnabled(), on) << r.box << " " << name;
            }
        }
    }
    const char* vbr[] = {"cb_mp3_vbr", "ud_mp3_vbr", "edt_mp3_vbr", "ck_mp3_VBR", "ck_mp3_semb"};
    for (const char* name : vbr) {
        EXPECT_FALSE(W(name)->isEnabled()) << name;
    }
    PickCodingMethod(3);
    for (const char* name : vbr) {
        EXPECT_TRUE(W(name)->isEnabled()) << name;
    }
    Click("Button2");  // Default sets "None" and applies the rule
    for (const char* name : vbr) {
        EXPECT_FALSE(W(name)->isEnabled()) << name;
    }
    // WAV: the three lists only for the custom mode.
    Radio("rb_cdmode", 2)->setChecked(true);
    EXPECT_TRUE(W("cb_wav_bit")->isEnabled());
    Radio("rb_cdmode", 1)->setChecked(true);
    EXPECT_FALSE(W("cb_wav_frequency")->isEnabled());
}

TEST_F(SettingsDialogTest, PresetRulesAfterLoadingAndDefault) {
    // Both stored on, loaded while both boxes are off.
    Show("[MP3Prest]\npreset=1\nalt=1\n");
    EXPECT_TRUE(Box("ck_preset")->isChecked() && Box("ck_alt")->isChecked());
    EXPECT_FALSE(Box("ck_preset")->isEnabled());
    EXPECT_FALSE(Box("ck_alt")->isEnabled());
    EXPECT_TRUE(W("rg_alt")->isEnabled());
    EXPECT_FALSE(W("rg_prest")->isEnabled());
    Click("Button2");
    EXPECT_FALSE(Box("ck_preset")->isChecked() || Box("ck_alt")->isChecked());
    EXPECT_TRUE(Box("ck_preset")->isEnabled() && Box("ck_alt")->isEnabled());
    EXPECT_FALSE(W("rg_prest")->isEnabled() || W("rg_alt")->isEnabled());

    // Preset stored on; last time the user switched to Alt-Preset and cancelled.
    Click("Cancel");
    Show("[MP3Prest]\npreset=1\n");
    Box("ck_preset")->setChecked(false);
    Box("ck_alt")->setChecked(true);
    Click("Cancel");
    Show();
    EXPECT_TRUE(Box("ck_preset")->isChecked());
    EXPECT_TRUE(W("rg_prest")->isEnabled());
    EXPECT_FALSE(Box("ck_alt")->isChecked());
    EXPECT_FALSE(Box("ck_alt")->isEnabled());
}

TEST_F(SettingsDialogTest, OutOfRangeStoredValuesAndWhatOkStoresForThem) {
    Show(
        "[mp3]\nbitrate=40\nquality=12\n[MP3Prest]\nrg_prest=20\nrg_alt=-3\n"
        "[MP3Filt]\nudLFiltF=60000\nudHFiltW=-5\n[wav]\nmode=7\n");
    EXPECT_EQ(List("cb_mp3_bitrate")->currentIndex(), -1);
    EXPECT_TRUE(List("cb_mp3_bitrate")->currentText().isEmpty());
    EXPECT_TRUE(Radio("rg_prest", 10)->isChecked());
    EXPECT_EQ(Radio("rg_prest", 10)->text(), S("R3Mix"));
    EXPECT_EQ(Get<QSpinBox>("udLFiltF")->value(), 48000);
    Click("Ok");
    EXPECT_FALSE(dialog.isVisible());
    const SettingsFile back(path);
    EXPECT_EQ(back.ReadNumber(S("mp3"), S("bitrate"), 0), -1);
    EXPECT_EQ(back.ReadNumber(S("mp3"), S("quality"), 0), 9);
    EXPECT_EQ(back.ReadNumber(S("MP3Prest"), S("rg_prest"), 0), 10);
    EXPECT_EQ(back.ReadNumber(S("MP3Prest"), S("rg_alt"), 9), 0);
    EXPECT_EQ(back.ReadNumber(S("MP3Filt"), S("udLFiltF"), 0), 48000);
    EXPECT_EQ(back.ReadNumber(S("MP3Filt"), S("udHFiltW"), 9), 0);
    EXPECT_EQ(back.ReadNumber(S("wav"), S("mode"), 0), 2);
}

// Two preset names shown were mended ("Type" to "Tape", "Extrene" to "Extreme"); the stored
// positions they stand for stay the same.
TEST_F(SettingsDialogTest, MendedPresetNamesKeepTheirStoredPositions) {
    Show("[MP3Prest]\nrg_prest=6\nrg_alt=3\n");
    EXPECT_TRUE(Radio("rg_prest", 6)->isChecked());
    EXPECT_EQ(Radio("rg_prest", 6)->text(), S("Tape"));
    EXPECT_TRUE(Radio("rg_alt", 3)->isChecked());
    EXPECT_EQ(Radio("rg_alt", 3)->text(), S("Extreme"));
    Click("Ok");
    const SettingsFile back(path);
    EXPECT_EQ(back.ReadNumber(S("MP3Prest"), S("rg_prest"), 0), 6);
    EXPECT_EQ(back.ReadNumber(S("MP3Prest"), S("rg_alt"), 0), 3);
}

TEST_F(SettingsDialogTest, OkWritesItsKeysInOrderIntoAFreshFile) {
    settings.FadeInTime = 30;  // outside the list: no selection, and Ok keeps it
    Show();
    List("cb_fadeouttime")->setCurrentIndex(11);
    Box("cb_fadein")->setChecked(true);
    List("cb_nor")->setCurrentIndex(49);
    Click("Ok");
    // The loudness keys, written last, join their [Nor] section.
    EXPECT_EQ(Stored(), S("[Nor]\nvolen=0\nmode=0\nlufs=-16\ntruepeak=-1\nalbum=0\nreplaygain=0\n"
                          "[mp3]\nbitrate=9\nchannel=1\nfrequency=7\nquality=4\n"
                          "[MP3VBR]\nCoding Method=0\nvbr bitrate=9\nvbr quality=4\nvbrck=1\n"
                          "semb=0\n"
                          "[MP3Filt]\nchHFilt=0\nchLFilt=0\nudHFiltF=30\nudHFiltW=5\n"
                          "udLFiltF=15160\nudLFiltW=750\n"
                          "[MP3Expert]\nBit=1\nshort=1\nallow=0\ncomply=0\ncrc=0\nath=0\nde=0\n"
                          "[MP3Prest]\npreset=0\nalt=0\nrg_prest=0\nrg_alt=0\n"
                          "[wav]\nmode=0\nbit=1\nchannel=1\nfrequency=7\n"
                          "[flac]\nlevel=5\nrate=0\nbits=0\ndither=1\n"
                          "[ogg]\noggvbr=0\noggquality=1\nbitrate=9\nmin bitrate=0\n"
                          "max bitrate=0\nquality=500\nfrequency=7\nchannel=1\n"
                          "[opus]\nbitrate=128\nvbr=1\nrate=0\n"
                          "[m4a]\nbitrate=192\nrate=0\n"
                          "[alac]\nrate=0\nbits=0\ndither=1\n"
                          "[aiff]\nrate=0\nbits=0\ndither=1\n"
                          "[wavpack]\nrate=0\nbits=0\ndither=1\n"
                          "[Batch]\njobs=0\n"));
    EXPECT_TRUE(settings.FadeIn);
    EXPECT_EQ(settings.FadeInTime, 30);
    EXPECT_EQ(settings.FadeOutTime, 12);
    EXPECT_EQ(settings.NormalizeVolume, 50);
}

TEST_F(SettingsDialogTest, FilesAtOnceShowsTheCountInUseAndOkStoresThePick) {
    const struct {
        int inMemory;
        const char* shown;
        int stored;  // by Ok without a change
    } cases[] = {
        {0, "Automatic (one per core)", 0},
        {1, "1", 1},
        {16, "16", 16},
        {40, "16", 16},  // a hand-edited count beyond the list: what a batch would use
        {-2, "1", 1},
    };
    for (const auto& c : cases) {
        settings.BatchJobs = c.inMemory;
        Show();
        EXPECT_EQ(List("cb_jobs")->currentText(), S(c.shown)) << c.inMemory;
        Click("Ok");
        EXPECT_EQ(settings.BatchJobs, c.stored) << c.inMemory;
        EXPECT_EQ(SettingsFile(path).ReadNumber(S("Batch"), S("jobs"), -9), c.stored);
    }
    EXPECT_EQ(List("cb_jobs")->count(), 17);

    // A pick is kept by Ok, dropped by Cancel; Default puts back "Automatic".
    Show();
    List("cb_jobs")->setCurrentIndex(3);
    Click("Cancel");
    EXPECT_EQ(settings.BatchJobs, 1);  // as the last case left it
    Show();
    List("cb_jobs")->setCurrentIndex(3);
    Click("Ok");
    EXPECT_EQ(settings.BatchJobs, 3);
    Show();
    Click("Button2");
    EXPECT_EQ(List("cb_jobs")->currentText(), S("Automatic (one per core)"));
    Click("Cancel");
    EXPECT_EQ(SettingsFile(path).ReadNumber(S("Batch"), S("jobs"), -9), 3);
}

// The Loudness frame shows the in-memory values (a hand-edited target too), Ok stores its keys,
// Cancel drops a change and Default puts back peak normalisation.
TEST_F(SettingsDialogTest, LoudnessFrameStoresItsKeysOnOk) {
    settings.Loudness = {true, -20, -2.0, false, false};
    Show();
    EXPECT_EQ(List("cb_normode")->currentText(), S("Loudness"));
    EXPECT_EQ(List("cb_lufs")->currentText(), S("-20 LUFS"));
    EXPECT_TRUE(List("cb_lufs")->isEnabled());
    List("cb_lufs")->setCurrentIndex(List("cb_lufs")->findText(S("-23 LUFS")));
    Get<QDoubleSpinBox>("ud_truepeak")->setValue(-1.5);
    Box("ck_album")->setChecked(true);
    Box("ck_replaygain")->setChecked(true);
    Click("Ok");
    const LoudnessSettings stored{true, -23, -1.5, true, true};
    EXPECT_EQ(settings.Loudness, stored);
    EXPECT_EQ(ReadLoudnessSettings(SettingsFile(path)), stored);

    Show();
    List("cb_normode")->setCurrentIndex(0);
    EXPECT_FALSE(List("cb_lufs")->isEnabled());
    Click("Cancel");
    EXPECT_EQ(settings.Loudness, stored);
    Show();
    Click("Button2");
    EXPECT_EQ(List("cb_normode")->currentText(), S("Peak"));
    EXPECT_EQ(List("cb_lufs")->currentText(), S("-16 LUFS"));
    Click("Ok");
    EXPECT_EQ(ReadLoudnessSettings(SettingsFile(path)), LoudnessSettings());
}

TEST_F(SettingsDialogTest, DefaultSetsFactoryValuesAndStoresNothing) {
    Show("[mp3]\nquality=1\nbitrate=3\n[wav]\nfrequency=2\n[Nor]\nvolen=1\n");
    const QString before = Stored();
    Click("Button2");
    EXPECT_EQ(Get<QSpinBox>("ud_mp3_quality")->value(), 5);
    EXPECT_EQ(Get<QSpinBox>("ud_mp3_vbr")->value(), 5);
    EXPECT_EQ(List("cb_mp3_bitrate")->currentText(), S("96 Kbps"));
    EXPECT_EQ(List("cb_mp3_vbr")->currentText(), S("128 Kbps"));
    EXPECT_EQ(List("cb_wav_frequency")->currentText(), S("48000 Hz"));
    EXPECT_EQ(List("cb_fadeintime")->currentText(), S("6s"));
    EXPECT_EQ(List("cb_nor")->currentText(), S("98"));
    EXPECT_FALSE(Box("cb_normalize")->isChecked());
    EXPECT_EQ(Stored(), before);
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(SettingsDialogTest, CancelDiscardsEditsButKeepsTheCommandLine) {
    settings.FadeInTime = 3;
    Show();
    List("cb_fadeintime")->setCurrentIndex(9);
    Get<QPlainTextEdit>("txtCommLine")->setPlainText(S("-b 128 --nores"));
    QTest::keyClick(&dialog, Qt::Key_Escape);  // answered by no button
    EXPECT_TRUE(dialog.isVisible());
    Click("Cancel");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(settings.FadeInTime, 3);
    EXPECT_FALSE(QFile::exists(path));
    Show();
    EXPECT_EQ(List("cb_fadeintime")->currentText(), S("3s"));
    Click("Button2");
    Click("Ok");
    EXPECT_EQ(dialog.CommandLineText(), S("-b 128 --nores"));
}

TEST_F(SettingsDialogTest, ARefusedWriteKeepsTheDialogOpen) {
    dir.Write(S("blocker"), "a file, not a folder");
    file = std::make_unique<SettingsFile>(dir.File(S("blocker/q.ini")));
    Show();
    List("cb_nor")->setCurrentIndex(9);
    Click("Ok");
    ASSERT_EQ(errors.size(), 1);
    EXPECT_TRUE(errors[0].startsWith(S("Unable to write to "))) << errors[0].toStdString();
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(settings.NormalizeVolume, 10);  // set before the file was written
}

// The names page shows what is stored with a live example; Ok stores a change, Default puts
// back the plain rule.
TEST_F(SettingsDialogTest, OutputNamesPageLoadsShowsAnExampleAndStores) {
    Show("[Names]\npattern={artist}/{title}\nexisting=7\nmirror=1\n");
    ClickNode(16);
    EXPECT_TRUE(W("gb_names")->isVisibleTo(&dialog));
    auto* pattern = Get<QLineEdit>("ed_pattern");
    EXPECT_EQ(pattern->text(), S("{artist}/{title}"));
    EXPECT_EQ(List("cb_existing")->currentIndex(), 0);  // out of range: numbering
    EXPECT_TRUE(Box("cb_mirror")->isChecked());
    pattern->setText(S("{artist}/{album}/{track} - {title}"));
    EXPECT_EQ(Get<QLabel>("lb_example")->text(),
              S("Example: The Examples/First Light/03 - Morning Song"));
    List("cb_existing")->setCurrentIndex(2);
    Click("Ok");
    const OutputNaming stored = ReadOutputNaming(SettingsFile(path));
    EXPECT_EQ(stored, (OutputNaming{S("{artist}/{album}/{track} - {title}"), ExistingOutput::Update,
                                    true}));
    Show();
    Click("Button2");
    EXPECT_EQ(pattern->text(), QString());
    EXPECT_EQ(Get<QLabel>("lb_example")->text(), S("Example: Morning Song"));
    Click("Cancel");
    EXPECT_EQ(ReadOutputNaming(SettingsFile(path)), stored);
}

// The dialog opens at its own size, can be made larger, and opens at the size it had when it
// last closed; a stored size it could not have had gives the default one.
TEST_F(SettingsDialogTest, ItsSizeIsRememberedAndAnOddStoredOneGivesTheDefault) {
    const QSize standard(Tfm_set::kClientWidth, Tfm_set::kClientHeight);
    const std::pair<const char*, QSize> stored[] = {
        {"520x400", {520, 400}}, {" 520 X 400 ", {520, 400}}, {"", standard},
        {"wide", standard},      {"100x100", standard},       {"520x", standard},
        {"99999x400", standard}, {"-520x400", standard},      {"520x400x3", standard},
    };
    for (const auto& [text, size] : stored) {
        dir.Write(S("q.ini"), QByteArray("[Window]\nsettings size=") + text + "\n");
        EXPECT_EQ(Tfm_set::ReadStoredSize(SettingsFile(path)), size) << text;
    }

    Show("[Window]\nsettings size=520x400\n");
    EXPECT_EQ(dialog.size(), QSize(520, 400));
    EXPECT_EQ(dialog.minimumSize(), standard);
    dialog.resize(600, 560);
    // The pages and the tree take the room, the buttons keep to the bottom right corner; the
    // General page's frames all fit now, with nothing to scroll.
    EXPECT_EQ(W("gb_cdgeneral")->size(), QSize(600 - 136, 560 - 78));
    EXPECT_EQ(Get<QTreeWidget>("TreeView1")->height(), 560 - 56);
    EXPECT_EQ(Get<QPushButton>("Cancel")->geometry().bottomRight(), QPoint(600 - 6, 560 - 10));
    EXPECT_EQ(W("gb_cdgeneral")->findChild<QScrollArea*>()->verticalScrollBar()->maximum(), 0);
    Click("Cancel");
    EXPECT_EQ(Tfm_set::ReadStoredSize(SettingsFile(path)), QSize(600, 560));
    EXPECT_TRUE(Stored().contains(S("[Window]\nsettings size=600x560\n")))
        << Stored().toStdString();
}

// Three listed rows, two of them untagged files whose names start alike: the example names the
// selected row (else the first) and warns when the pattern gives several rows one name.
class FakeNamingHost : public NamingExampleHost {
  public:
    void Reread() override { ++rereads; }
    int RowCount() const override { return static_cast<int>(rows.size()); }
    int ExampleRow() const override { return rows.empty() ? -1 : selected; }
    NameFields FieldsOf(int row) override { return rows.at(static_cast<std::size_t>(row)); }

    std::vector<NameFields> rows;
    int selected = 0;
    int rereads = 0;
};

TEST_F(SettingsDialogTest, TheNamesExampleNamesTheListedRowAndWarnsOfSharedNames) {
    FakeNamingHost host;
    NameFields tagged;
    tagged.title = S("Blue");
    tagged.artist = S("Band");
    tagged.fileName = S("01 blue");
    NameFields first;
    first.fileName = S("intro");
    NameFields second = first;
    second.fileName = S("outro");
    host.rows = {tagged, first, second};
    struct Case {
        const char* pattern;
        int selected;
        const char* example;
        const char* warning;
    } const cases[] = {
        {"{artist}/{title}", 1, "Example: Unknown Artist/intro", ""},
        {"{artist}/{album}", 1, "Example: Unknown Artist/Unknown Album",
         "2 files would be named Unknown Artist/Unknown Album"},
        {"{artist}/{album}", 0, "Example: Band/Unknown Album",
         "2 files would be named Unknown Artist/Unknown Album"},
        {"{genre}", 2, "Example: Unknown Genre", "3 files would be named Unknown Genre"},
        {"", 0, "Example: Blue", ""},
    };
    for (const Case& c : cases) {
        host.selected = c.selected;
        const OutputNamesOptions::Example example =
            OutputNamesOptions::ExampleFor(S(c.pattern), &host);
        EXPECT_EQ(example.text, S(c.example)) << c.pattern;
        EXPECT_EQ(example.warning, S(c.warning)) << c.pattern << " " << c.selected;
    }
    host.rows.clear();  // an empty list: the made-up track
    EXPECT_EQ(OutputNamesOptions::ExampleFor(S("{artist}"), &host).text,
              S("Example: The Examples"));

    // On the page: shown under the example, hidden when the names differ.
    host.rows = {tagged, first, second};
    host.selected = 1;
    dialog.SetNamingExampleHost(&host);
    Show();
    EXPECT_GE(host.rereads, 1);  // each showing reads the rows afresh
    ClickNode(16);
    auto* pattern = Get<QLineEdit>("ed_pattern");
    auto* warning = Get<QLabel>("lb_clash");
    pattern->setText(S("{album}"));
    EXPECT_EQ(Get<QLabel>("lb_example")->text(), S("Example: Unknown Album"));
    EXPECT_TRUE(warning->isVisibleTo(&dialog));
    EXPECT_EQ(warning->text(), S("3 files would be named Unknown Album"));
    pattern->setText(S("{title}"));
    EXPECT_FALSE(warning->isVisibleTo(&dialog));
    dialog.SetNamingExampleHost(nullptr);
}

}  // namespace
