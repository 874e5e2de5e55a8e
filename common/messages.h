#pragma once
#include <QString>

#include <functional>

namespace orva {

// What code without windows tells or asks a person: the boxes and the Yes/No
// question. The windows' prompts (prompts.h) add the rest; orva-cli installs
// a console instance and the tests a scripted one.
class Messages {
public:
    enum class Icon { None, Information, Warning, Error, Question };
    enum class Button { Yes, No };

    virtual ~Messages() = default;

    // Plain information box: the application title as caption, an OK button.
    virtual void information(const QString &text) = 0;
    // Error box: caption "Error", an OK button.
    virtual void error(const QString &text) = 0;
    // Warning box: caption "Warning", an OK button.
    virtual void warning(const QString &text) = 0;
    // Yes/No question; true when the answer is Yes.
    virtual bool question(const QString &caption, const QString &text, Icon icon, Button defaultButton) = 0;
};

// Messages as lines of text for a program without windows: each text goes to
// `write`, every question takes its default answer.
class TextMessages : public Messages {
public:
    explicit TextMessages(std::function<void(const QString &text)> write) : m_write(std::move(write)) {}
    void information(const QString &text) override { m_write(text); }
    void error(const QString &text) override { m_write(text); }
    void warning(const QString &text) override { m_write(text); }
    bool question(const QString &caption, const QString &text, Icon icon, Button defaultButton) override;

private:
    std::function<void(const QString &text)> m_write;
};

// The program-wide instance: the one installed, else the default (the real
// dialogs in a program with windows, stderr otherwise).
Messages &messages();
// Installs another instance; nullptr goes back to the default.
void setMessages(Messages *instance);
// The instance used when none is installed (the windows' library sets its
// dialogs here).
void setDefaultMessages(Messages *instance);

} // namespace orva
