#pragma once
#include <QByteArray>
#include <string>

class QMimeData;

// A path on the clipboard: as text for anything that takes text, and, for a file of this
// machine, also as a file URI, in the uri-list that file managers paste files from and in
// the list GNOME's file manager reads ("copy" and the URI).
// The URI is made from the path's bytes, percent-encoded one by one, so a name that is not
// UTF-8 still names the file; the text can only show such a name with replacement marks.
QByteArray FileUriOf(const std::string& strPath);
QMimeData* NewPathMimeData(const std::string& strPath, bool bLocalFile);
// Puts the path on the clipboard; nothing without a QApplication.
void CopyPathToClipboard(const std::string& strPath, bool bLocalFile);
