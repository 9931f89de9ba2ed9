#pragma once
#include "FtpAccount.h"
#include "base/Types.h"

#include <vector>

// The accounts in the settings: group "Accounts", one group per account named by the
// account, with "Host", "Username", "Password" (text) and "Port" (a number). The file holds
// the passwords in plain text, so it is written readable by its owner only.
namespace FtpAccountStore {
// Every stored account, in no particular order. FALSE, with ERROR_ACCESS_DENIED as the
// last error, when the settings cannot be read; the accounts readable are still given.
// A value that is missing keeps its default (empty, or port 21); a "Port" that is no int
// is kept as text. An account group nested in another (a name with "/" in it, written by
// hand or by another program) is the account of that whole name.
BOOL Load(std::vector<CFtpAccount>& accounts);
// Writes the accounts in their order; of two with one name, the later wins.
void Save(const std::vector<CFtpAccount>& accounts);
// Takes an account out of the settings at once; accounts nested in its group stay.
void Remove(const std::string& strName);
// "/" and "\" would make an account's group a nested one, never found again by its name.
bool IsStorableName(const std::string& strName);
}  // namespace FtpAccountStore
