#include "SshAddressDlg.h"

#include "base/Types.h"
#include "framework/UiServices.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QVBoxLayout>

#include <algorithm>
#include <sys/stat.h>

namespace {
const QString kRecentKey = QStringLiteral("Ssh/RecentAddresses");
constexpr qsizetype kMaxUrlBytes = 8192;

QSettings Settings() { return QSettings(QStringLiteral("kestrow software"), QStringLiteral("Volra")); }
}  // namespace

CSshAddressDlg::CSshAddressDlg(QWidget* pParent) : QDialog(pParent)
{
    setWindowTitle(QStringLiteral("Remote over SSH"));
    setWindowFlags(kDialogWindowFlags);
    setModal(true);
    auto* pLabel = new QLabel(QStringLiteral("&Address (ssh://[USER@]HOST[:PORT]/PATH):"), this);
    m_pAddress = new QComboBox(this);
    m_pAddress->setEditable(true);
    m_pAddress->setInsertPolicy(QComboBox::NoInsert);
    m_pAddress->setMinimumWidth(420);
    // Stored addresses are ASCII (other bytes %-escaped), so the text is the bytes.
    for (const std::string& url : LoadRecent())
        m_pAddress->addItem(QString::fromLatin1(url.data(), static_cast<qsizetype>(url.size())));
    if (m_pAddress->count() == 0)
        m_pAddress->setEditText(QStringLiteral("ssh://"));
    pLabel->setBuddy(m_pAddress);
    m_pProblem = new QLabel(this);
    m_pProblem->setWordWrap(true);
    m_pProblem->hide();
    auto* pButtons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(pButtons, &QDialogButtonBox::accepted, this, &CSshAddressDlg::accept);
    connect(pButtons, &QDialogButtonBox::rejected, this, &CSshAddressDlg::reject);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(pLabel);
    pLayout->addWidget(m_pAddress);
    pLayout->addWidget(m_pProblem);
    pLayout->addWidget(pButtons);
}

void CSshAddressDlg::accept()
{
    const QByteArray bytes = m_pAddress->currentText().trimmed().toUtf8();
    std::string strError;
    if (!m_address.Parse(std::string(bytes.constData(), static_cast<std::size_t>(bytes.size())), strError)) {
        m_pProblem->setText(QString::fromUtf8(strError));
        m_pProblem->show();
        return;
    }
    Remember(m_address.ToUrl());
    done(IDOK);
}

std::vector<std::string> CSshAddressDlg::LoadRecent()
{
    std::vector<std::string> urls;
    const QVariantList values = Settings().value(kRecentKey).toList();
    for (const QVariant& value : values) {
        // Anything but an address's bytes in its place is passed over.
        if (value.typeId() != QMetaType::QByteArray)
            continue;
        const QByteArray bytes = value.toByteArray();
        std::string url(bytes.constData(), static_cast<std::size_t>(bytes.size()));
        CSshAddress address;
        std::string strError;
        if (bytes.size() > kMaxUrlBytes || !address.Parse(url, strError))
            continue;
        urls.push_back(address.ToUrl());
        if (urls.size() == kMaxRecent)
            break;
    }
    return urls;
}

void CSshAddressDlg::Remember(const std::string& strUrl)
{
    std::vector<std::string> urls = LoadRecent();
    urls.erase(std::remove(urls.begin(), urls.end(), strUrl), urls.end());
    urls.insert(urls.begin(), strUrl);
    if (urls.size() > kMaxRecent)
        urls.resize(kMaxRecent);
    QVariantList values;
    for (const std::string& url : urls)
        values.append(QByteArray(url.data(), static_cast<qsizetype>(url.size())));
    QSettings settings = Settings();
    settings.setValue(kRecentKey, values);
    // The file holds FTP passwords: a file made here is never readable by anyone else.
    const mode_t previous = ::umask(S_IRWXG | S_IRWXO);
    settings.sync();
    ::umask(previous);
}
