// The Communications page: the list of serial ports that open, the port test and the opening of
// the selected port for every operation that needs the instrument.
#include "pages/CommSetupPage.h"

#include <QContextMenuEvent>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "PageControls.h"
#include "pages/OverrideCursor.h"
#include "pages/PageHost.h"
#include "pages/ParentMenuEdit.h"
#include "serial/SerialLink.h"

namespace {

constexpr std::uint16_t kFirstPort = 1;
constexpr std::uint16_t kLastPort = 16;
constexpr std::uint16_t kTestBaud = 9600;

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

CCorvaneCommSetupPage::CCorvaneCommSetupPage(IPageHost& host, CSerialLink& link, QWidget* parent)
    : QWidget(parent), m_link(link) {
    SizePage(this);
    BuildControls();
    ListOpenablePorts();
    InstallHelpKey(this, host, QStringLiteral("serial port setup"));
}

void CCorvaneCommSetupPage::BuildControls() {
    AddGroup(this, 0, QStringLiteral("Available Ports"), {5, 5, 110, 105});
    m_lstPorts = new QListWidget(this);
    m_lstPorts->setSelectionMode(QAbstractItemView::SingleSelection);
    m_lstPorts->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    PlaceControl(m_lstPorts, 1029, {10, 15, 100, 89}, QStringLiteral("Available serial ports"));

    AddGroup(this, 0, QStringLiteral("Test comm port"), {120, 5, 125, 105});
    m_btnTest = new QPushButton(QStringLiteral("&Test"), this);
    PlaceControl(m_btnTest, 1004, {125, 15, 115, 14}, QStringLiteral("Test the selected serial port"));
    connect(m_btnTest, &QPushButton::clicked, this, &CCorvaneCommSetupPage::OnTest);
    AddLabel(this, 0, QStringLiteral("Test Result:"), {125, 35, 60, 8});
    m_editResult = new CParentMenuTextEdit(this);
    m_editResult->setReadOnly(true);
    PlaceControl(m_editResult, 1013, {125, 45, 115, 60},
                 QStringLiteral("Display test responces from the Nephelometer"));
}

// Ports held by another program do not open exclusively and are left out. The list is built once.
// Each entry's tooltip names its device, so that a mapping can be checked at a glance.
void CCorvaneCommSetupPage::ListOpenablePorts() {
    for (std::uint16_t port = kFirstPort; port <= kLastPort; ++port) {
        if (!CSerialLink::CanOpenPort(port)) continue;
        auto* item = new QListWidgetItem(QStringLiteral("Com port %1").arg(port), m_lstPorts);
        item->setData(Qt::UserRole, port);
        item->setToolTip(QString::fromLocal8Bit(CSerialLink::DeviceForPort(port)));
    }
    if (m_lstPorts->count() > 0) SelectIndex(0);
}

bool CCorvaneCommSetupPage::OpenSelectedPort(QString& errorText) {
    const OverrideCursor busy(Qt::WaitCursor);
    const int index = SelectedIndex();
    if (index < 0) return false;
    const auto port = static_cast<std::uint16_t>(m_lstPorts->item(index)->data(Qt::UserRole).toUInt());
    const std::int16_t result = m_link.OpenPort(port, kTestBaud);
    if (result == CSerialLink::kOpenOk) return true;
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
    m_btnTest->setEnabled(false);
    m_editResult->setPlainText(QStringLiteral("Running test, please wait..."));
    m_editResult->repaint();  // shown before the blocking work starts
    const OverrideCursor busy(Qt::WaitCursor);
    QString result;
    if (m_link.IsConnected()) {
        const std::string version = m_link.GetVersion();
        result = QStringLiteral("Connected to a - \nrunning at %1bps.\nVersion:\n%2")
                     .arg(QString::number(m_link.GetBaudRate()), InstrumentText(version));
    } else {
        if (OpenSelectedPort(result)) {
            const std::string version = m_link.GetVersion();
            result = QStringLiteral("Connected to a - Nephelometer\nrunning at %1bps.\nVersion:\n%2")
                         .arg(QString::number(m_link.GetBaudRate()), InstrumentText(version));
        }
        m_link.ClosePort();
    }
    m_editResult->setPlainText(result);
    m_btnTest->setEnabled(true);
}

void CCorvaneCommSetupPage::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}
