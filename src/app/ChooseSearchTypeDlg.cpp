#include "ChooseSearchTypeDlg.h"

#include "framework/UiServices.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace {

constexpr int kChoiceMinWidth = 240;  // wide enough that both choices read as a column of equals
constexpr int kChoiceIconSize = 24;

}  // namespace

CChooseSearchTypeDlg::CChooseSearchTypeDlg(QWidget* pParent, BOOL bFtpEnabled) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("Choose search type"));
    setWindowFlags(kDialogWindowFlags);
    setModal(true);
    CreateControls();
    EnableFtp(bFtpEnabled);
}

void CChooseSearchTypeDlg::CreateControls()
{
    // The theme's drive icons where a desktop theme is installed, else the style's own.
    m_pLocal = new QPushButton(
        QIcon::fromTheme(QStringLiteral("drive-harddisk"), style()->standardIcon(QStyle::SP_DriveHDIcon)),
        QStringLiteral("Local or Network &Drive"), this);
    m_pFtp = new QPushButton(
        QIcon::fromTheme(QStringLiteral("folder-remote"), style()->standardIcon(QStyle::SP_DriveNetIcon)),
        QStringLiteral("FTP &Account"), this);
    m_pSsh = new QPushButton(
        QIcon::fromTheme(QStringLiteral("network-server"), style()->standardIcon(QStyle::SP_ComputerIcon)),
        QStringLiteral("Remote over &SSH"), this);
    m_pCancel = new QPushButton(QStringLiteral("&Cancel"), this);
    for (QPushButton* pChoice : {m_pLocal, m_pFtp, m_pSsh}) {
        pChoice->setIconSize(QSize(kChoiceIconSize, kChoiceIconSize));
        pChoice->setMinimumWidth(kChoiceMinWidth);
        pChoice->setMinimumHeight(kChoiceIconSize + 16);
    }
    m_pLocal->setDefault(true);
    m_pLocal->setFocus();

    connect(m_pLocal, &QPushButton::clicked, this, [this] { done(IDC_LOCAL_DRIVE); });
    connect(m_pFtp, &QPushButton::clicked, this, [this] { done(IDC_FTP_ACCOUNT); });
    connect(m_pSsh, &QPushButton::clicked, this, [this] { done(IDC_SSH_ADDRESS); });
    connect(m_pCancel, &QPushButton::clicked, this, &CChooseSearchTypeDlg::reject);

    auto* pCancelRow = new QHBoxLayout;
    pCancelRow->addStretch(1);
    pCancelRow->addWidget(m_pCancel);

    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pLocal);
    pLayout->addWidget(m_pFtp);
    pLayout->addWidget(m_pSsh);
    pLayout->addSpacing(8);
    pLayout->addLayout(pCancelRow);
    pLayout->setSizeConstraint(QLayout::SetFixedSize);
}

void CChooseSearchTypeDlg::EnableFtp(BOOL bEnable) { m_pFtp->setEnabled(bEnable != FALSE); }

int CChooseSearchTypeDlg::DoModal() { return exec(); }

void CChooseSearchTypeDlg::reject() { done(IDCANCEL); }
