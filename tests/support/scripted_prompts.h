#pragma once
#include "common/prompts.h"

#include <QCoreApplication>
#include <QDialog>
#include <QString>
#include <QStringList>

#include <deque>
#include <functional>

// Records every box the code shows and answers questions from a script.
// Installed for the lifetime of the object.
class ScriptedPrompts : public orva::Prompts {
public:
    struct Shown {
        QString kind; // "information", "error", "warning", "question"
        QString caption;
        QString text;
        Icon icon = Icon::None;
        Button defaultButton = Button::No;
    };

    ScriptedPrompts() { orva::setPrompts(this); }
    ~ScriptedPrompts() override { orva::setPrompts(nullptr); }

    void information(const QString &text) override { shown.push_back({"information", orva::applicationTitle(), text}); }
    void error(const QString &text) override { shown.push_back({"error", QStringLiteral("Error"), text}); }
    void warning(const QString &text) override { shown.push_back({"warning", QStringLiteral("Warning"), text}); }
    bool question(const QString &caption, const QString &text, Icon icon, Button defaultButton) override
    {
        shown.push_back({"question", caption, text, icon, defaultButton});
        if (answers.empty())
            return defaultButton == Button::Yes;
        const bool yes = answers.front();
        answers.pop_front();
        return yes;
    }
    // A modal window is shown (so its show handler runs) and then handed to
    // the next scripted handler instead of an event loop; without a handler,
    // or when it closed itself while being shown, it is not driven further.
    int execModal(QDialog &dialog) override
    {
        modalWindows.push_back(dialog.objectName());
        dialog.setResult(QDialog::Rejected);
        dialog.show();
        QCoreApplication::processEvents();
        int result = dialog.result();
        if (dialog.isVisible() && !dialogHandlers.empty()) {
            auto handler = std::move(dialogHandlers.front());
            dialogHandlers.pop_front();
            result = handler(dialog);
        }
        dialog.hide();
        return result;
    }
    void beep() override { ++beeps; }
    // File dialogs answer from their scripts; empty (cancelled) when none is left.
    QString openFileName(const QString &caption, const QString &folder, const QString &filter) override
    {
        fileDialogs.push_back({caption, folder, filter});
        return next(openAnswers);
    }
    QString saveFileName(const QString &caption, const QString &proposed, const QString &filter) override
    {
        fileDialogs.push_back({caption, proposed, filter});
        return next(saveAnswers);
    }
    // Programs are not started: the call is recorded and `programStarts` answers.
    bool runProgram(const QString &program, const QStringList &arguments, const QString &workingFolder) override
    {
        programs.push_back({program, arguments, workingFolder});
        return programStarts;
    }

    QStringList texts() const
    {
        QStringList out;
        for (const Shown &s : shown)
            out << s.text;
        return out;
    }
    const Shown &last() const { return shown.back(); }
    void clear() { shown.clear(); beeps = 0; modalWindows.clear(); }

    static QString next(std::deque<QString> &answers)
    {
        if (answers.empty())
            return QString();
        QString answer = answers.front();
        answers.pop_front();
        return answer;
    }

    struct FileDialog {
        QString caption, folderOrName, filter;
    };
    struct Program {
        QString program;
        QStringList arguments;
        QString workingFolder;
    };

    // Print previews are not shown: the caption is recorded and, when a
    // test sets `previewHandler`, it is given the paint function.
    void printPreview(const QString &caption, const std::function<void(QPrinter *)> &paint) override
    {
        previews.push_back(caption);
        if (previewHandler)
            previewHandler(paint);
    }

    QStringList previews;
    std::function<void(const std::function<void(QPrinter *)> &)> previewHandler;

    std::vector<Shown> shown;
    std::vector<FileDialog> fileDialogs;
    std::deque<QString> openAnswers, saveAnswers;
    std::vector<Program> programs;
    bool programStarts = true;
    std::deque<bool> answers;
    std::deque<std::function<int(QDialog &)>> dialogHandlers;
    QStringList modalWindows;
    int beeps = 0;
};
