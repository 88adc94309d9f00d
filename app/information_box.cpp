#include "app/information_box.h"

#include <QApplication>
#include <QMessageBox>
#include <utility>

namespace {
MessageSink& Sink() {
    static MessageSink sink;
    return sink;
}
}  // namespace

void ShowInformation(QWidget* parent, const QString& text) {
    if (Sink()) {
        Sink()(MessageKind::Information, text);
        return;
    }
    QMessageBox::information(parent, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
}

void ShowErrorReport(QWidget* parent, const QString& text) {
    if (Sink()) {
        Sink()(MessageKind::Error, text);
        return;
    }
    QMessageBox::critical(parent, QApplication::applicationDisplayName(), text, QMessageBox::Ok);
}

MessageSink SetMessageSink(MessageSink sink) {
    return std::exchange(Sink(), std::move(sink));
}
