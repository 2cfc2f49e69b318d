// The Communications page: the list of serial ports that open, the port test and the opening of
// the selected port for every operation that needs the instrument.
#include "pages/CommSetupPage.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <optional>

#include "PageControls.h"
#include "pages/CommPageIds.h"
#include "pages/ControlName.h"
#include "pages/OverrideCursor.h"
#include "pages/PageHost.h"
#include "pages/ParentMenuEdit.h"
#include "run/StoredRun.h"
#include "serial/LinkLease.h"
#include "serial/SerialLink.h"

namespace {

QString OpenErrorText(std::int16_t result) {
    switch (result) {
        case CSerialLink::kOpenNoDevice:
            return QStringLiteral(
                "The port is either in use by another application, or it doesn't exist.  Please try another "
                "one.");
        case CSerialLink::kOpenNoAnswer:
            return QStringLiteral("The device is either unknown, not connected or not switched on.");
        default:
            return QStringLiteral("Unknown Error from this comm port");
    }
}

}  // namespace

CCorvaneCommSetupPage::CCorvaneCommSetupPage(IPageHost& host, CLinkLender& link, QWidget* parent)
    : QWidget(parent), m_link(link) {
    SizePage(this);
    BuildControls();
    ListOpenablePorts();
    InstallHelpKey(this, host, QStringLiteral("serial port setup"));
}

void CCorvaneCommSetupPage::BuildControls() {
    AddGroup(this, QString(), QStringLiteral("Available Ports"), {5, 5, 110, 105});
    m_lstPorts = new QListWidget(this);
    m_lstPorts->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lstPorts->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    PlaceControl(m_lstPorts, ControlName(CommPageId::Ports), {10, 15, 100, 89}, QStringLiteral("Available serial ports"));

    AddGroup(this, QString(), QStringLiteral("Test comm port"), {120, 5, 125, 105});
    m_btnTest = new QPushButton(QStringLiteral("&Test"), this);
    PlaceControl(m_btnTest, ControlName(CommPageId::Test), {125, 15, 115, 14}, QStringLiteral("Test the selected serial port"));
    connect(m_btnTest, &QPushButton::clicked, this, &CCorvaneCommSetupPage::OnTest);
    AddLabel(this, QString(), QStringLiteral("Test Result:"), {125, 35, 60, 8});
    m_editResult = new CParentMenuTextEdit(this);
    m_editResult->setReadOnly(true);
    PlaceControl(m_editResult, ControlName(CommPageId::TestResult), {125, 45, 115, 60},
                 QStringLiteral("Display test responces from the Nephelometer"));
}

// Ports held by another program do not open exclusively and are left out. The list is built once.
// Each entry's tooltip names its device, so that a mapping can be checked at a glance.
void CCorvaneCommSetupPage::ListOpenablePorts() {
    for (const std::uint16_t port : CSerialLink::OpenablePorts()) {
        auto* item = new QListWidgetItem(QStringLiteral("Com port %1").arg(port), m_lstPorts);
        item->setData(Qt::UserRole, port);
        item->setToolTip(QString::fromLocal8Bit(CSerialLink::DeviceForPort(port)));
    }
    if (m_lstPorts->count() > 0) SelectIndex(0);
}

bool CCorvaneCommSetupPage::OpenSelectedPort(CSerialLink& link, QString& errorText) {
    const COverrideCursor busy(Qt::WaitCursor);
    const int index = SelectedIndex();
    if (index < 0) return false;
    const auto port = static_cast<std::uint16_t>(m_lstPorts->item(index)->data(Qt::UserRole).toUInt());
    const std::int16_t result = link.OpenPort(port, kInstrumentBaud);
    if (result == CSerialLink::kOpenOk) {
        // A start with --start uses the port that last answered; a failure to store it only costs
        // that fallback, so it is not worth a box here.
        RememberRunPort(port);
        return true;
    }
    errorText = OpenErrorText(result);
    return false;
}

void CCorvaneCommSetupPage::EnablePageControls(bool enable) {
    m_lstPorts->setEnabled(enable);
    m_btnTest->setEnabled(enable);
    m_editResult->setEnabled(enable);
}

int CCorvaneCommSetupPage::SelectedIndex() const {
    const QList<QListWidgetItem*> selected = m_lstPorts->selectedItems();
    return selected.isEmpty() ? -1 : m_lstPorts->row(selected.front());
}

std::uint16_t CCorvaneCommSetupPage::SelectedPort() const {
    const int index = SelectedIndex();
    return index < 0 ? 0 : static_cast<std::uint16_t>(m_lstPorts->item(index)->data(Qt::UserRole).toUInt());
}

// An index outside the list (such as -1, or a stored port that has gone) selects nothing.
void CCorvaneCommSetupPage::SelectIndex(int index) {
    if (index >= 0 && index < m_lstPorts->count()) {
        m_lstPorts->setCurrentRow(index);
        return;
    }
    m_lstPorts->clearSelection();
    m_lstPorts->setCurrentRow(-1);
}

int CCorvaneCommSetupPage::PortCount() const {
    return m_lstPorts->count();
}

void CCorvaneCommSetupPage::OnTest() {
    std::optional<CLinkLease> link = m_link.TryLease();
    if (!link) return;  // a run or another sequence has the link
    m_btnTest->setEnabled(false);
    m_editResult->setPlainText(QStringLiteral("Running test, please wait..."));
    m_editResult->repaint();  // shown before the blocking work starts
    const COverrideCursor busy(Qt::WaitCursor);
    QString result;
    if ((*link)->IsConnected()) {
        const std::string version = (*link)->GetVersion();
        result = QStringLiteral("Connected to a - \nrunning at %1bps.\nVersion:\n%2")
                     .arg(QString::number((*link)->GetBaudRate()), InstrumentText(version));
    } else {
        if (OpenSelectedPort(**link, result)) {
            const std::string version = (*link)->GetVersion();
            result = QStringLiteral("Connected to a - Nephelometer\nrunning at %1bps.\nVersion:\n%2")
                         .arg(QString::number((*link)->GetBaudRate()), InstrumentText(version));
        }
        (*link)->ClosePort();
    }
    m_editResult->setPlainText(result);
    m_btnTest->setEnabled(true);
}

void CCorvaneCommSetupPage::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}
