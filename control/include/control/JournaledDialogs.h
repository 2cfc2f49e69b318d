// Message boxes on a station: CJournaledDialogs writes every box's text and its answer to the
// journal, whoever answers it; CHeadlessDialogs answers for an operator who is not there.
#pragma once

#include "control/OperatorDialogs.h"

class CJournaledDialogs : public IOperatorDialogs {
public:
    explicit CJournaledDialogs(IOperatorDialogs& answering) : m_answering(answering) {}
    Answer MessageBox(QWidget* parent, const QString& text, Buttons buttons) override;
    QString ChooseLogFile(QWidget* parent, const QString& folder, const QString& fileName) override;

private:
    IOperatorDialogs& m_answering;
};

// No window, nobody to ask: each box gets the answer that keeps acquisition going. An OK box is
// acknowledged; OK/Cancel (the exit question) is cancelled; Yes/No (the fault question) is Yes;
// Yes/No/Cancel (unsaved changes) is No, so nobody's unreviewed changes are sent. The log file is
// the proposed one.
class CHeadlessDialogs : public IOperatorDialogs {
public:
    Answer MessageBox(QWidget* parent, const QString& text, Buttons buttons) override;
    QString ChooseLogFile(QWidget* parent, const QString& folder, const QString& fileName) override;
};
