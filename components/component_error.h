#pragma once

#include <QString>
#include <stdexcept>

// Every component failure reaches the caller as this error; its text names the file and the cause.
class ComponentError : public std::runtime_error {
  public:
    explicit ComponentError(const QString& message)
        : std::runtime_error(message.toStdString()), message_(message) {}
    const QString& Message() const noexcept { return message_; }

  private:
    QString message_;
};
