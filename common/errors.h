#pragma once
#include <QString>
#include <stdexcept>

namespace orva {

// Every failure the programs report travels as one of these; the text is
// shown to the user as it stands.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString()), m_message(message) {}
    const QString &message() const { return m_message; }

private:
    QString m_message;
};

// A silent abort: abandons the running action without any message.
class Abort : public std::exception {
public:
    const char *what() const noexcept override { return "abort"; }
};

} // namespace orva
