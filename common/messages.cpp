#include "messages.h"

#include <QTextStream>

namespace orva {
namespace {

// Without windows and without an installed instance: the text on stderr,
// every question its default answer.
class ErrorStreamMessages : public Messages {
public:
    void information(const QString &text) override { print(text); }
    void error(const QString &text) override { print(text); }
    void warning(const QString &text) override { print(text); }
    bool question(const QString &, const QString &text, Icon, Button defaultButton) override
    {
        print(text);
        return defaultButton == Button::Yes;
    }

private:
    static void print(const QString &text) { QTextStream(stderr) << text << Qt::endl; }
};

Messages *g_installed = nullptr;
Messages *g_default = nullptr;

} // namespace

Messages &messages()
{
    static ErrorStreamMessages stream;
    if (g_installed)
        return *g_installed;
    return g_default ? *g_default : stream;
}

void setMessages(Messages *instance) { g_installed = instance; }

void setDefaultMessages(Messages *instance) { g_default = instance; }

} // namespace orva
