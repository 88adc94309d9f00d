// skin-preview: shows the main window's face the way the program builds it, with sample rows, so
// a skin can be looked at (and screenshotted) without the rest of the program.
//   skin-preview [--skin FILE] [--grab FILE.png] [--hover NAME] [--press NAME]
#include "app/file_list_view.h"
#include "filelist/row_model.h"
#include "outside/skin/skin_engine.h"
#include "outside/skin/skin_label.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCommandLineParser>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QSpinBox>
#include <QTextStream>
#include <QTimer>
#include <QWidget>

namespace {

// The program's own list view over two sample rows, one finished and one being written.
void MakeList(QWidget* window) {
    auto* rows = new RowModel(window);
    const auto add = [rows](const char* caption, const char* frequency, const char* time,
                            const char* size) {
        ListRow row;
        row.caption = QString::fromUtf8(caption);
        row.frequency = QString::fromUtf8(frequency);
        row.channels = QStringLiteral(" Stereo ");
        row.time = QString::fromUtf8(time);
        row.size = QString::fromUtf8(size);
        rows->Append(row);
    };
    add("Morning Light", "44100 Hz", "00:03:42", "8.50MB");
    add("Harbour Walk", "48000 Hz", "00:05:07", "11.70MB");
    rows->SetState(0, RowState::Converting);
    rows->SetState(0, RowState::Finished);
    rows->SetState(1, RowState::Converting);
    rows->SetProgress(1, 4200);
    auto* list = new FileListView(*rows, window);
    list->setObjectName(QStringLiteral("lv"));
    list->setGeometry(12, 100, 446, 201);
    list->setAlternatingRowColors(true);
    list->selectionModel()->select(rows->index(0, 0),
                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

// Sample menus and a sample dialog, so their look can be checked too.
void OpenSample(QWidget* window, const QString& name) {
    const int x = name == QLatin1String("file") ? 12 : name == QLatin1String("action") ? 52 : 232;
    QMenu menu(window);
    if (name == QLatin1String("file")) {
        menu.addAction(QStringLiteral("Add File"));
        menu.addAction(QStringLiteral("Add Folder"));
    } else if (name == QLatin1String("action")) {
        menu.addAction(QStringLiteral("Converter"));
        menu.addSeparator();
        menu.addAction(QStringLiteral("Play"));
        menu.addSeparator();
        menu.addAction(QStringLiteral("Stop"));
    } else if (name == QLatin1String("help")) {
        menu.addAction(QStringLiteral("Content"));
        menu.addAction(QStringLiteral("About"));
    } else if (name == QLatin1String("setting")) {
        QDialog dialog(window);
        dialog.setWindowTitle(QStringLiteral("Settings"));
        auto* layout = new QFormLayout(&dialog);
        auto* fadeIn = new QCheckBox(QStringLiteral("Fade in"), &dialog);
        fadeIn->setChecked(true);
        layout->addRow(fadeIn);
        auto* seconds = new QSpinBox(&dialog);
        seconds->setValue(5);
        layout->addRow(QStringLiteral("Seconds"), seconds);
        auto* buttons =
            new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
        layout->addRow(buttons);
        dialog.exec();
        return;
    } else {
        return;
    }
    menu.exec(window->mapToGlobal(QPoint(x, 40)));
}

// Sends a synthetic mouse event to the face at the centre of the named element.
void Poke(TSkin& skin, QWidget* window, const QString& name, bool press) {
    ISkinForm* form = skin.GetSkinForm(window);
    ISkinObject* object = form != nullptr ? form->FindObject(name) : nullptr;
    if (object == nullptr) {
        QTextStream(stderr) << "skin-preview: no element " << name << '\n';
        return;
    }
    const SkinRect r = object->GeometryInterface()->GetRect();
    const QPointF point((r.left + r.right) / 2.0, (r.top + r.bottom) / 2.0);
    auto* face = dynamic_cast<QWidget*>(form);
    QMouseEvent move(QEvent::MouseMove, point, face->mapToGlobal(point), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(face, &move);
    if (press) {
        QMouseEvent down(QEvent::MouseButtonPress, point, face->mapToGlobal(point), Qt::LeftButton,
                         Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(face, &down);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quorvel"));
    QCommandLineParser parser;
    parser.addHelpOption();
    const QCommandLineOption skinOption(QStringLiteral("skin"), QStringLiteral("Skin file."),
                                        QStringLiteral("file"));
    const QCommandLineOption grabOption(QStringLiteral("grab"),
                                        QStringLiteral("Save the window as PNG and quit."),
                                        QStringLiteral("png"));
    const QCommandLineOption hoverOption(QStringLiteral("hover"),
                                         QStringLiteral("Show this element hovered."),
                                         QStringLiteral("name"));
    const QCommandLineOption pressOption(QStringLiteral("press"),
                                         QStringLiteral("Show this element pressed."),
                                         QStringLiteral("name"));
    parser.addOptions({skinOption, grabOption, hoverOption, pressOption});
    parser.process(app);

    QWidget window;
    window.setWindowTitle(QStringLiteral("Quorvel"));
    window.setFixedSize(471, 380);
    MakeList(&window);
    auto* label = new TSkinLabel(&window);
    label->setObjectName(QStringLiteral("SkinLabel1"));
    label->setGeometry(90, 76, 242, 14);
    label->SetCaption(QStringLiteral("/root/Music"));
    auto* format = new QComboBox(&window);
    format->setObjectName(QStringLiteral("scmb"));
    format->addItems({QStringLiteral("MP3"), QStringLiteral("WAV")});
    format->setGeometry(394, 48, 60, format->sizeHint().height());

    TSkin skin;
    const QString path =
        parser.isSet(skinOption)
            ? parser.value(skinOption)
            : QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("mp3enc.dll"));
    const QString message = skin.LoadSkin(path);
    QTextStream err(stderr);
    if (!message.isEmpty()) {
        err << message << '\n';
    }
    for (const QString& warning : skin.Warnings()) {
        err << path << ": " << warning << '\n';
    }
    skin.ApplySkin(&window);
    skin.ApplySkinObject(&window, QStringLiteral("Form"));
    skin.SetOnClick([&err, &window](ISkinObject& source) {
        err << "click " << source.GetName() << '\n';
        err.flush();
        OpenSample(&window, source.GetName());
    });

    if (ISkinForm* form = skin.GetSkinForm(&window)) {
        if (ISkinObject* bar = form->FindObject(QStringLiteral("pb"))) {
            SkinRect rect = bar->GeometryInterface()->GetRect();
            rect.right = rect.left + 163;  // 37 % of the 442-pixel bar
            bar->GeometryInterface()->SetRect(rect);
        }
        if (ISkinObject* text = form->FindObject(QStringLiteral("pbpos"))) {
            text->TextInterface()->SetText(QStringLiteral("37%"));
        }
    }
    window.show();
    if (parser.isSet(hoverOption)) {
        Poke(skin, &window, parser.value(hoverOption), false);
    }
    if (parser.isSet(pressOption)) {
        Poke(skin, &window, parser.value(pressOption), true);
    }
    if (parser.isSet(grabOption)) {
        QTimer::singleShot(200, &window, [&window, &parser, &grabOption] {
            window.grab().save(parser.value(grabOption));
            QApplication::quit();
        });
    }
    return QApplication::exec();
}
