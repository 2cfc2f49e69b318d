// Answers the program's message boxes and file dialog from a script, and records what was asked.
#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>

#include "control/OperatorDialogs.h"

class FakeOperatorDialogs : public IOperatorDialogs {
public:
    // Answers given in order; when none is queued, Ok/Yes is assumed (the first button).
    std::deque<Answer> answers;
    // Path the file dialog returns; empty means the operator cancels.
    QString chosenLogFile;

    QStringList messages;  // every box's text, in order
    std::function<void(const QString& text)> onMessage;  // runs as a box opens, to look at the program then
    int fileDialogs = 0;
    QString lastDialogFolder, lastDialogFileName;

    Answer MessageBox(QWidget*, const QString& text, Buttons buttons) override {
        if (onMessage) onMessage(text);
        messages << text;
        if (!answers.empty()) {
            Answer a = answers.front();
            answers.pop_front();
            return a;
        }
        return buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? Answer::Yes : Answer::Ok;
    }
    QString ChooseLogFile(QWidget*, const QString& folder, const QString& fileName) override {
        ++fileDialogs;
        lastDialogFolder = folder;
        lastDialogFileName = fileName;
        return chosenLogFile;
    }
};
