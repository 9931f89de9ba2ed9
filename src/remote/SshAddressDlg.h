#pragma once
#include "SshAddress.h"

#include <QDialog>

#include <string>
#include <vector>

class QComboBox;
class QLabel;

// Asks for an SSH search's address, offering the recent ones (kept in the settings as
// bytes, newest first, at most kMaxRecent). OK is taken only for an address that parses;
// it then becomes the most recent one.
class CSshAddressDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kMaxRecent = 10;

    explicit CSshAddressDlg(QWidget* pParent = nullptr);
    int DoModal() { return exec(); }
    const CSshAddress& GetAddress() const { return m_address; }
    QComboBox* GetAddressBox() const { return m_pAddress; }

    void accept() override;

    static std::vector<std::string> LoadRecent();
    static void Remember(const std::string& strUrl);

private:
    QComboBox* m_pAddress = nullptr;
    QLabel* m_pProblem = nullptr;
    CSshAddress m_address;
};
