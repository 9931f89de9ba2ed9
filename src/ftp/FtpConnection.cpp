#include "FtpConnection.h"

#include "FtpWorker.h"
#include "InternetError.h"
#include "sys/LastError.h"

CFtpConnection::CFtpConnection(std::unique_ptr<CFtpWorker> pWorker, std::string strEntryPath,
                               std::function<bool()> wait)
    : m_pWorker(std::move(pWorker)), m_strCurrentDirectory(std::move(strEntryPath)), m_wait(std::move(wait))
{}

CFtpConnection::~CFtpConnection() { Close(); }

void CFtpConnection::Close()
{
    if (m_pWorker) {
        m_pWorker->Logout(m_wait);
        m_pWorker.reset();
    }
}

BOOL CFtpConnection::GetCurrentDirectory(std::string& strDirectory) const
{
    strDirectory = m_strCurrentDirectory;
    return TRUE;
}

BOOL CFtpConnection::SetCurrentDirectory(const std::string& strDirectory)
{
    if (!m_pWorker) {
        SetLastError(ERROR_INTERNET_CONNECTION_ABORTED);
        return FALSE;
    }
    CFtpOutcome outcome = m_pWorker->ChangeDirectory(strDirectory, m_wait);
    if (!Finish(outcome))
        return FALSE;
    m_strCurrentDirectory = strDirectory;
    return TRUE;
}

BOOL CFtpConnection::ListCurrentDirectory(std::vector<CFtpItem>& items, long& nReplyCode)
{
    items.clear();
    nReplyCode = 0;
    if (!m_pWorker) {
        SetLastError(ERROR_INTERNET_CONNECTION_ABORTED);
        return FALSE;
    }
    CFtpOutcome outcome = m_pWorker->List(m_strCurrentDirectory, m_wait);
    nReplyCode = outcome.nReplyCode;
    items = std::move(outcome.items);
    return Finish(outcome);
}

BOOL CFtpConnection::Finish(CFtpOutcome& outcome)
{
    SetInternetLastResponse(std::move(outcome.strReply));
    SetLastError(outcome.dwError);
    return outcome.dwError == 0 ? TRUE : FALSE;
}

bool CFtpConnection::IsPassive() const { return m_pWorker && m_pWorker->IsPassive(); }

long CFtpConnection::GetLoginCount() const { return m_pWorker ? m_pWorker->GetLoginCount() : 0; }
