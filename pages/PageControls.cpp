// Control placement and the help key of the pages.
#include "PageControls.h"

#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <utility>

#include "ValueBox.h"
#include "pages/DialogUnits.h"
#include "pages/PageHost.h"

QString InstrumentText(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

void SizePage(QWidget* page) {
    page->setMinimumSize(DialogRect(*page, 0, 0, kPageWidthDlu, kPageHeightDlu).size());
}

void PlaceControl(QWidget* control, const QString& name, Dlu rect, const QString& toolTip) {
    control->setObjectName(name);
    control->setGeometry(DialogRect(*control->parentWidget(), rect.x, rect.y, rect.w, rect.h));
    if (!toolTip.isEmpty()) control->setToolTip(toolTip);
}

QLabel* AddLabel(QWidget* page, const QString& name, const QString& text, Dlu rect, Qt::Alignment align) {
    auto* label = new QLabel(text, page);
    label->setAlignment(align | Qt::AlignTop);
    PlaceControl(label, name, rect);
    return label;
}

QGroupBox* AddGroup(QWidget* page, const QString& name, const QString& title, Dlu rect, Qt::Alignment align) {
    auto* group = new QGroupBox(title, page);
    group->setAlignment(align);
    PlaceControl(group, name, rect);
    return group;
}

QLabel* AddValueBox(QWidget* page, const QString& name, Dlu rect, Qt::Alignment align, const QString& toolTip) {
    auto* box = new CValueBox(page, align);
    PlaceControl(box, name, rect, toolTip);
    return box;
}

namespace {

class CHelpKey : public QObject {
public:
    CHelpKey(QWidget* page, IPageHost& host, QString keyword)
        : QObject(page), m_host(host), m_strKeyword(std::move(keyword)) {}

protected:
    // Key events travel from the focus widget up to the page. Accepting the shortcut-override
    // event for F1 keeps any window-wide F1 shortcut from firing, so the key press arrives here.
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool isPress = event->type() == QEvent::KeyPress;
        if (!isPress && event->type() != QEvent::ShortcutOverride)
            return QObject::eventFilter(watched, event);
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_F1 || key->modifiers() != Qt::NoModifier) return false;
        key->accept();
        if (isPress) m_host.ShowHelp(m_strKeyword);
        return true;
    }

private:
    IPageHost& m_host;
    QString m_strKeyword;
};

}  // namespace

void InstallHelpKey(QWidget* page, IPageHost& host, const QString& keyword) {
    page->installEventFilter(new CHelpKey(page, host, keyword));
}

