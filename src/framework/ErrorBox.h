#pragma once
#include "sys/ErrorText.h"

#include <functional>
#include <string>

class QWidget;

// The error box: the system's text for the thread's last error code, in a message box
// titled "Volra" with the stop icon and an OK button.
void ReportLastError();

// The same box with a text of the caller's (one that names the item, say). In a headless
// run the text goes to standard error as "PROGRAM: TEXT" instead, since nobody could
// close a box.
void ShowErrorBox(const std::string& strText, QWidget* pOwner = nullptr);

// Where the error box goes: tests capture the text instead of showing a box. Passing an
// empty function restores the message box.
using ErrorBoxSink = std::function<void(const std::string& text)>;
void SetErrorBoxSink(ErrorBoxSink sink);
