// Boxes written to the journal, and the answers given on a station without a window.
#include "control/JournaledDialogs.h"

#include <QDir>

#include "station/EventJournal.h"

namespace {
const char* AnswerName(IOperatorDialogs::Answer answer) {
    switch (answer) {
        case IOperatorDialogs::Answer::Ok:
            return "OK";
        case IOperatorDialogs::Answer::Cancel:
            return "Cancel";
        case IOperatorDialogs::Answer::Yes:
            return "Yes";
        case IOperatorDialogs::Answer::No:
            return "No";
    }
    return "?";
}
}  // namespace

IOperatorDialogs::Answer CJournaledDialogs::MessageBox(QWidget* parent, const QString& text, Buttons buttons) {
    const Answer answer = m_answering.MessageBox(parent, text, buttons);
    JournalEvent("message", text.toStdString() + " [" + AnswerName(answer) + "]");
    return answer;
}

QString CJournaledDialogs::ChooseLogFile(QWidget* parent, const QString& folder, const QString& fileName) {
    return m_answering.ChooseLogFile(parent, folder, fileName);
}

IOperatorDialogs::Answer CHeadlessDialogs::MessageBox(QWidget*, const QString&, Buttons buttons) {
    switch (buttons) {
        case Buttons::Ok:
            return Answer::Ok;
        case Buttons::OkCancel:
            return Answer::Cancel;
        case Buttons::YesNo:
            return Answer::Yes;
        case Buttons::YesNoCancel:
            return Answer::No;
    }
    return Answer::Ok;
}

QString CHeadlessDialogs::ChooseLogFile(QWidget*, const QString& folder, const QString& fileName) {
    return QDir(folder).filePath(fileName);
}
