#pragma once

#include <QString>
#include <functional>

class QWidget;

// Every message the program shows goes through here, so tests can capture the texts.
enum class MessageKind { Information, Error };
using MessageSink = std::function<void(MessageKind kind, const QString& text)>;

// An information box with a single OK button.
void ShowInformation(QWidget* parent, const QString& text);
// The general error report: a failure a command did not handle, with the error's own message.
void ShowErrorReport(QWidget* parent, const QString& text);

// Replaces the message boxes (null restores them). Returns the previous sink.
MessageSink SetMessageSink(MessageSink sink);
