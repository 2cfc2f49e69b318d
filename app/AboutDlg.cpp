// The about box. Its version line carries the time and date at which this file was compiled.
#include "app/AboutDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

#include "BuildVersion.h"
#include "app/StaticLink.h"
#include "app/Version.h"
#include "pages/ControlName.h"
#include "pages/Icons.h"

namespace {

const char* const kMakerAddress = CORVANE_HOMEPAGE_URL;

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("About Corvane"));
    setWindowIcon(IconFor(IconId::Application));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setPixmap(IconFor(IconId::Application).pixmap(48, 48));
    icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);

    auto* name = new QLabel(QStringLiteral("Corvane Software"), this);
    QFont bold = name->font();
    bold.setBold(true);
    name->setFont(bold);
    auto* notice = new QLabel(QStringLiteral("Copyright (C) 2005 Brantel Inc."), this);

    auto* version = new QLabel(
        QStringLiteral("Version %1, %2, %3")
            .arg(QString::fromLatin1(GetVersionString()), QStringLiteral(__TIME__), QStringLiteral(__DATE__)),
        this);
    version->setObjectName(ControlName(AboutBoxId::Version));
    version->setTextInteractionFlags(Qt::TextSelectableByMouse);

    auto* link = new CStaticLink(this);
    link->setObjectName(ControlName(AboutBoxId::WebLink));
    link->setText(QString::fromLatin1(kMakerAddress));

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, Qt::Vertical, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(ControlName(AboutBoxId::Ok));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(16);
    grid->addWidget(icon, 0, 0, 4, 1);
    grid->addWidget(name, 0, 1);
    grid->addWidget(notice, 1, 1);
    grid->addWidget(version, 2, 1);
    grid->addWidget(link, 3, 1, Qt::AlignLeft);
    grid->addWidget(buttons, 0, 2, 4, 1, Qt::AlignTop);
    grid->setSizeConstraint(QLayout::SetFixedSize);
}
