#pragma once
#include "model/Entry.h"
#include "sys/SafeRemove.h"

// Deletes an item of a local search for good: reached from the search's root one name at
// a time, and only while it is still the item the search met (SafeRemove). An entry whose
// identity the search did not record (an FTP search, a saved one) is never deleted; a file
// with one name, whose inode its entry does not keep, is looked at again first.
CRemoveResult DeleteForGood(const CEntry& item);
