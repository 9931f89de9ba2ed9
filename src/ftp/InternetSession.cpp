#include "InternetSession.h"

#include "FtpConnection.h"
#include "FtpWorker.h"
#include "InternetError.h"
#include "sys/LastError.h"

CInternetSession::CInternetSession() { InitInternet(); }

CInternetSession::~CInternetSession() = default;

std::unique_ptr<CFtpConnection> CInternetSession::GetFtpConnection(const std::string& strServer,
                                                                   const std::string& strUserName,
                                                                   const std::string& strPassword, int nPort,
                                                                   BOOL bPassive)
{
    auto pWorker = std::make_unique<CFtpWorker>(CFtpLogin{strServer, strUserName, strPassword, nPort}, m_timeout);
    if (bPassive)
        pWorker->ForcePassive();
    CFtpOutcome outcome = pWorker->Login(m_wait);
    if (outcome.dwError != 0) {
        pWorker.reset();  // the thread ends before the error is told
        SetInternetLastResponse(std::move(outcome.strReply));
        SetLastError(outcome.dwError);
        return nullptr;
    }
    SetInternetLastResponse(std::move(outcome.strReply));
    SetLastError(ERROR_SUCCESS);
    return std::unique_ptr<CFtpConnection>(new CFtpConnection(std::move(pWorker), outcome.strEntryPath, m_wait));
}
