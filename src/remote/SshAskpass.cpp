#include "SshAskpass.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <cstring>

bool IsAskpassRun(int argc)
{
    const char* flag = std::getenv("VOLRA_ASKPASS");
    return flag != nullptr && std::strcmp(flag, "1") == 0 && argc == 2;
}

int RunAskpass(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QString prompt = QString::fromLocal8Bit(argv[argc - 1]);
    const char* kind = std::getenv("SSH_ASKPASS_PROMPT");
    if (kind != nullptr && (std::strcmp(kind, "confirm") == 0 || std::strcmp(kind, "none") == 0)) {
        const bool bConfirm = std::strcmp(kind, "confirm") == 0;
        const auto buttons = bConfirm ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok;
        QMessageBox box(QMessageBox::Question, QStringLiteral("Volra: SSH"), prompt, buttons);
        return box.exec() == QMessageBox::Ok ? 0 : 1;
    }
    // A host key is confirmed by typing "yes": that text is shown as typed.
    const bool bSecret = !prompt.contains(QStringLiteral("yes/no"));
    bool bOk = false;
    const QString answer = QInputDialog::getText(nullptr, QStringLiteral("Volra: SSH"), prompt,
                                                 bSecret ? QLineEdit::Password : QLineEdit::Normal, QString(), &bOk);
    if (!bOk)
        return 1;
    const QByteArray bytes = answer.toUtf8();
    std::fwrite(bytes.constData(), 1, static_cast<std::size_t>(bytes.size()), stdout);
    std::fputc('\n', stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}
