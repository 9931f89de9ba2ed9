#pragma once
#include "base/Types.h"

#include <string>

// The FTP client's error codes, numbered from 12000 up like the internet library whose
// place it takes, and its own message table. The error box finds the texts once
// InitInternet has run.
// The client could not start the thread its connection runs on.
constexpr DWORD ERROR_INTERNET_OUT_OF_HANDLES = 12001;
constexpr DWORD ERROR_INTERNET_TIMEOUT = 12002;
// The server answered a command with an error reply; the reply is kept for the error box.
constexpr DWORD ERROR_INTERNET_EXTENDED_ERROR = 12003;
constexpr DWORD ERROR_INTERNET_INTERNAL_ERROR = 12004;
constexpr DWORD ERROR_INTERNET_INVALID_URL = 12005;
constexpr DWORD ERROR_INTERNET_NAME_NOT_RESOLVED = 12007;
constexpr DWORD ERROR_INTERNET_OPERATION_CANCELLED = 12017;
constexpr DWORD ERROR_INTERNET_CANNOT_CONNECT = 12029;
constexpr DWORD ERROR_INTERNET_CONNECTION_ABORTED = 12030;
constexpr DWORD ERROR_INTERNET_INVALID_SERVER_RESPONSE = 12152;
// Not the internet library's: the server's folders nest deeper than a search follows.
constexpr DWORD ERROR_INTERNET_FOLDERS_TOO_DEEP = 12900;

// Starts the network library and registers the message table and the server's last
// response with the error box; TRUE when the network can be used. Safe to call often.
BOOL InitInternet();

// The text of one of the codes above, line end included; empty for any other code.
std::string InternetErrorText(DWORD code);

// The server's last reply on this thread (all its lines, line ends included), as the
// error box appends it to ERROR_INTERNET_EXTENDED_ERROR. The FTP client sets it on the
// thread that gave the command whenever a command ends.
void SetInternetLastResponse(std::string strResponse);
BOOL InternetGetLastResponseInfo(std::string& strResponse);
