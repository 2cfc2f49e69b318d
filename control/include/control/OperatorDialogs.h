// Every message box and the log-file dialog go through this interface, so tests can answer them
// without a person. The program uses QtOperatorDialogs.
#pragma once

#include <QString>

class QWidget;

class IOperatorDialogs {
public:
    enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~IOperatorDialogs() = default;
    // A modal box with the caption "Corvane" and the exclamation icon.
    virtual Answer MessageBox(QWidget* parent, const QString& text, Buttons buttons) = 0;
    // The log file choice: returns the chosen full path, or an empty text when cancelled.
    virtual QString ChooseLogFile(QWidget* parent, const QString& folder, const QString& fileName) = 0;
};

class QtOperatorDialogs : public IOperatorDialogs {
public:
    Answer MessageBox(QWidget* parent, const QString& text, Buttons buttons) override;
    QString ChooseLogFile(QWidget* parent, const QString& folder, const QString& fileName) override;
};
