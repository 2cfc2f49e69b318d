// The real message boxes and log file dialog.
#include "control/OperatorDialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "pages/OverrideCursor.h"

namespace {

const char* const kCaption = "Corvane";

// The program's texts break lines with "\r\n" or "\n\r"; either pair, or a lone CR or LF, is
// one line break in the box.
QString PlainLineBreaks(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'\r' && c != u'\n') {
            out += c;
            continue;
        }
        out += u'\n';
        const QChar partner = c == u'\r' ? u'\n' : u'\r';
        if (i + 1 < text.size() && text.at(i + 1) == partner) ++i;
    }
    return out;
}

QMessageBox::StandardButtons StandardButtonsFor(IOperatorDialogs::Buttons buttons) {
    switch (buttons) {
        case IOperatorDialogs::Buttons::Ok:
            return QMessageBox::Ok;
        case IOperatorDialogs::Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case IOperatorDialogs::Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case IOperatorDialogs::Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}


}  // namespace

IOperatorDialogs::Answer QtOperatorDialogs::MessageBox(QWidget* parent, const QString& text,
                                                       Buttons buttons) {
    QMessageBox box(QMessageBox::Warning, QString::fromLatin1(kCaption), PlainLineBreaks(text),
                    StandardButtonsFor(buttons), parent);
    // The first button is the default, as the instrument questions expect (OK, Yes).
    box.setDefaultButton(buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel ? QMessageBox::Yes
                                                                                      : QMessageBox::Ok);
    const COverrideCursor arrow(Qt::ArrowCursor);  // also inside a busy sequence
    switch (box.exec()) {
        case QMessageBox::Ok:
            return Answer::Ok;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        default:
            // Cancel, or the box closed without a button (only possible where Cancel exists).
            return buttons == Buttons::Ok ? Answer::Ok : Answer::Cancel;
    }
}

QString QtOperatorDialogs::ChooseLogFile(QWidget* parent, const QString& folder, const QString& fileName) {
    QFileDialog dialog(parent, QStringLiteral("Choose the Data Log File"), folder);
    // Qt's own dialog on every desktop, so that the filters and checks below behave the same.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);  // a new file may be named
    dialog.setDefaultSuffix(QStringLiteral("DAT"));
    // File names are case-sensitive here, so the log filter matches both spellings.
    dialog.setNameFilters({QStringLiteral("Data Log Files (*.DAT *.dat)"), QStringLiteral("All Files (*)")});
    dialog.selectFile(fileName);
    const COverrideCursor arrow(Qt::ArrowCursor);  // also inside a busy sequence
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return QString();
        const QFileInfo chosen(dialog.selectedFiles().constFirst());
        if (chosen.dir().exists()) return chosen.absoluteFilePath();
        // The log folder must exist: say so and let the operator choose again.
        QMessageBox::warning(&dialog, QString::fromLatin1(kCaption),
                             QStringLiteral("The folder %1 does not exist.")
                                 .arg(QDir::toNativeSeparators(chosen.absolutePath())));
    }
}
