#pragma once

#include <QString>
#include <exception>
#include <stdexcept>

// The base of every failure the program reports to the user (component, tag, encoder
// configuration, settings write, probe): the message names the file or setting and the cause, and
// is shown as it stands. Header only, so every layer may use it without a link dependency.
class QuorvelError : public std::runtime_error {
  public:
    explicit QuorvelError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& Message() const noexcept { return message_; }

  private:
    QString message_;
};

// The text to show for any failure: our own message whole (what() would lose non-ASCII text to
// the locale's encoding), else what the library said.
inline QString ErrorMessage(const std::exception& e) {
    if (const auto* own = dynamic_cast<const QuorvelError*>(&e)) {
        return own->Message();
    }
    return QString::fromLocal8Bit(e.what());
}
