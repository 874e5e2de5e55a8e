#include "messages.h"

#include <QTextStream>

namespace orva {
namespace {

Messages *g_installed = nullptr;
Messages *g_default = nullptr;

} // namespace

bool TextMessages::question(const QString &, const QString &text, Icon, Button defaultButton)
{
    m_write(text);
    return defaultButton == Button::Yes;
}

Messages &messages()
{
    // Without windows and without an installed instance: stderr.
    static TextMessages stream([](const QString &text) { QTextStream(stderr) << text << Qt::endl; });
    if (g_installed)
        return *g_installed;
    return g_default ? *g_default : stream;
}

void setMessages(Messages *instance) { g_installed = instance; }

void setDefaultMessages(Messages *instance) { g_default = instance; }

} // namespace orva
