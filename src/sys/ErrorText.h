#pragma once
#include "base/Types.h"

#include <cstddef>
#include <functional>
#include <string>

// Writes the text for dwCode into pszBuffer (nSize characters, always zero-terminated,
// cut to fit) and returns pszBuffer. The system's text is used when it fits with room to
// spare (14 characters); otherwise the message tables of the loaded client libraries, then
// "Error Code 0x%X (%d)". For an error reply from a server (12003) the server's last
// response is appended.
char* FormatErrorText(DWORD dwCode, char* pszBuffer, std::size_t nSize);

// A client library's own message table (the FTP client registers one when it starts):
// the text for a code, line end included, or empty when the code is not its own.
using MessageTable = std::function<std::string(DWORD code)>;
void RegisterMessageTable(const std::string& strModule, MessageTable table);
void UnregisterMessageTable(const std::string& strModule);

// The server's last response (lines of a failed FTP command). Returns false when there is
// none to be had.
using LastResponseSource = std::function<bool(std::string& response)>;
void SetLastResponseSource(LastResponseSource source);
