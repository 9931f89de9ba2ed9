#pragma once
#include <string>

// One stored FTP account: a name and the details to log in with.
struct CFtpAccount {
    std::string strName;  // the list's text and the settings group's name
    std::string strHost;
    std::string strUserName;
    std::string strPassword;  // plain text, as the user typed it
    int nPort = 21;
    // "Port" as stored, when that is no int (a number out of range, text): shown as it
    // stands and written back unchanged until a port is typed.
    std::string strStoredPort;
};
