#pragma once
#include "messages.h"

#include <QString>
#include <QStringList>

#include <functional>

class QPrinter;

class QDialog;

namespace orva {

// Everything that waits for a person goes through here, so that tests can
// answer with a scripted double instead of a real dialog. The boxes and the
// question are the widget-free part (messages.h); this adds what needs windows.
class Prompts : public Messages {
public:
    // Runs a window modally and returns its result code.
    virtual int execModal(QDialog &dialog) = 0;
    // The system beep of a refused key.
    virtual void beep() = 0;
    // File dialogs: the chosen path, or empty text when cancelled.
    virtual QString openFileName(const QString &caption, const QString &folder, const QString &filter) = 0;
    virtual QString saveFileName(const QString &caption, const QString &proposed, const QString &filter) = 0;
    // Starts a program the user works with (a normal window) and waits for it
    // to end, the caller's windows painting meanwhile; false when it could
    // not be started.
    virtual bool runProgram(const QString &program, const QStringList &arguments, const QString &workingFolder) = 0;
    // A modal print preview of what `paint` draws on a printer (the user may
    // print from it).
    virtual void printPreview(const QString &caption, const std::function<void(QPrinter *)> &paint) = 0;
};

// The program-wide instance. Without one installed, the real dialogs are used.
Prompts &prompts();
// Installs another instance (a test double); nullptr goes back to the dialogs.
// It answers messages() too.
void setPrompts(Prompts *instance);

// The application title: caption of the plain information boxes.
QString applicationTitle();
void setApplicationTitle(const QString &title);

// The real dialogs.
class DialogPrompts : public Prompts {
public:
    void information(const QString &text) override;
    void error(const QString &text) override;
    void warning(const QString &text) override;
    bool question(const QString &caption, const QString &text, Icon icon, Button defaultButton) override;
    int execModal(QDialog &dialog) override;
    void beep() override;
    QString openFileName(const QString &caption, const QString &folder, const QString &filter) override;
    QString saveFileName(const QString &caption, const QString &proposed, const QString &filter) override;
    bool runProgram(const QString &program, const QStringList &arguments, const QString &workingFolder) override;
    void printPreview(const QString &caption, const std::function<void(QPrinter *)> &paint) override;
};

} // namespace orva
