#pragma once

#include <QString>
#include <stdexcept>

// A tag operation that failed; the message names the file and the cause.
class TagError : public std::runtime_error {
  public:
    explicit TagError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& Message() const noexcept { return message_; }

  private:
    QString message_;
};
