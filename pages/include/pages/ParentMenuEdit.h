// CParentMenuEdit: the edit control of all three pages. It shows no context menu of its own and
// hands the request to its parent, which ignores it.
#pragma once

#include <QLineEdit>
#include <QPlainTextEdit>

class CParentMenuEdit : public QLineEdit {
    Q_OBJECT
public:
    using QLineEdit::QLineEdit;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};

// The multi-line variant (the Communications page's test result).
class CParentMenuTextEdit : public QPlainTextEdit {
    Q_OBJECT
public:
    using QPlainTextEdit::QPlainTextEdit;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
};
