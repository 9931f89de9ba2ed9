#pragma once
#include <QString>

#include <functional>
#include <string>

class QWidget;

// The desktop's choosers of a folder, of a file to open and of a file to save to. The
// chooser hands back text; the answer is turned into the file system's bytes with the
// file-name codec (QFile::encodeName) at once, and is empty when the user cancelled. A name
// the chooser could not show as text does not come back as it was: callers check that the
// answer names what they want (a directory that exists, ...) before they use it.
enum class FileChooser { Folder, OpenFile, SaveFile };

// strSuggested: the folder to start in, or for SaveFile the name offered (a bare name in the
// home folder); empty for the home folder. In a headless run
// no chooser opens (nobody could answer it) and the answer is empty.
std::string ChooseFilePath(FileChooser kind, QWidget* pParent, const QString& strCaption,
                           const std::string& strSuggested = {});

// Tests answer instead of the desktop, with the text a chooser would give; an empty
// function brings the desktop's choosers back.
using FileChooserAnswer = std::function<QString(FileChooser kind, const QString& strSuggested)>;
void SetFileChooserAnswer(FileChooserAnswer answer);
