#include "prompts.h"

#include "process.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>
#include <QPrintPreviewDialog>
#include <QPrinter>

namespace orva {
namespace {

Prompts *g_instance = nullptr;
QString g_title;

QMessageBox::Icon toQt(Prompts::Icon icon)
{
    switch (icon) {
    case Prompts::Icon::Information: return QMessageBox::Information;
    case Prompts::Icon::Warning: return QMessageBox::Warning;
    case Prompts::Icon::Error: return QMessageBox::Critical;
    case Prompts::Icon::Question: return QMessageBox::Question;
    case Prompts::Icon::None: break;
    }
    return QMessageBox::NoIcon;
}

// A box is sized by its text; a short text under a long caption would leave
// the title bar too narrow, and the window manager cuts the caption.
void fitCaption(QMessageBox &box)
{
    auto *grid = qobject_cast<QGridLayout *>(box.layout());
    if (!grid)
        return;
    // Room for the caption and the title bar's own buttons.
    const int width = QFontMetrics(QApplication::font("QMdiSubWindowTitleBar")).horizontalAdvance(box.windowTitle()) + 160;
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

void showBox(QMessageBox::Icon icon, const QString &caption, const QString &text)
{
    QMessageBox box(icon, caption, text, QMessageBox::Ok, QApplication::activeWindow());
    fitCaption(box);
    box.exec();
}

DialogPrompts &dialogs()
{
    static DialogPrompts instance;
    return instance;
}

// A program with windows shows the messages of its engines in dialogs too.
[[maybe_unused]] const bool g_dialogsAreDefault = (setDefaultMessages(&dialogs()), true);

} // namespace

Prompts &prompts() { return g_instance ? *g_instance : dialogs(); }

void setPrompts(Prompts *instance)
{
    g_instance = instance;
    setMessages(instance);
}

QString applicationTitle() { return g_title; }
void setApplicationTitle(const QString &title) { g_title = title; }

void DialogPrompts::information(const QString &text)
{
    showBox(QMessageBox::Information, applicationTitle(), text);
}

void DialogPrompts::error(const QString &text)
{
    showBox(QMessageBox::Critical, QStringLiteral("Error"), text);
}

void DialogPrompts::warning(const QString &text)
{
    showBox(QMessageBox::Warning, QStringLiteral("Warning"), text);
}

bool DialogPrompts::question(const QString &caption, const QString &text, Icon icon, Button defaultButton)
{
    QMessageBox box(toQt(icon), caption, text, QMessageBox::Yes | QMessageBox::No, QApplication::activeWindow());
    box.setDefaultButton(defaultButton == Button::Yes ? QMessageBox::Yes : QMessageBox::No);
    fitCaption(box);
    return box.exec() == QMessageBox::Yes;
}

int DialogPrompts::execModal(QDialog &dialog) { return dialog.exec(); }

void DialogPrompts::beep() { QApplication::beep(); }

QString DialogPrompts::openFileName(const QString &caption, const QString &folder, const QString &filter)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), caption, folder, filter);
}

QString DialogPrompts::saveFileName(const QString &caption, const QString &proposed, const QString &filter)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), caption, proposed, filter);
}

void DialogPrompts::printPreview(const QString &caption, const std::function<void(QPrinter *)> &paint)
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintPreviewDialog preview(&printer, QApplication::activeWindow());
    preview.setWindowTitle(caption);
    QObject::connect(&preview, &QPrintPreviewDialog::paintRequested, &preview, [&](QPrinter *p) { paint(p); });
    preview.exec();
}

bool DialogPrompts::runProgram(const QString &program, const QStringList &arguments, const QString &workingFolder)
{
    // The calling windows keep painting while the program runs.
    return process::run(program, arguments, workingFolder, process::Wait::ProcessingEvents).started;
}

} // namespace orva
