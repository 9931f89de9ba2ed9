#include "ErrorBox.h"

#include "UiServices.h"
#include "sys/LastError.h"

#include <QMessageBox>
#include <cerrno>
#include <cstdio>
#include <utility>

namespace {
ErrorBoxSink g_sink;
}  // namespace

void ReportLastError()
{
    const DWORD code = GetLastError();  // first: anything below may change it
    char text[120];
    FormatErrorText(code, text, sizeof text);
    ShowErrorBox(text);
}

void ShowErrorBox(const std::string& strText, QWidget* pOwner)
{
    if (g_sink) {
        g_sink(strText);
        return;
    }
    if (IsHeadless()) {
        std::string line = strText;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, line.c_str());
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Volra"), QString::fromUtf8(strText), QMessageBox::Ok,
                    pOwner);
    box.setWindowFlags(kDialogWindowFlags);
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

void SetErrorBoxSink(ErrorBoxSink sink) { g_sink = std::move(sink); }
