#include "FileChooser.h"

#include "UiServices.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace {
FileChooserAnswer g_answer;

// Searches travel as ncdu exports, often compressed.
const QString kSearchFilter = QStringLiteral("Searches (*.json *.json.gz *.gz);;All files (*)");

QString AskDesktop(FileChooser kind, QWidget* pParent, const QString& strCaption, const QString& strSuggested)
{
    switch (kind) {
    case FileChooser::Folder:
        return QFileDialog::getExistingDirectory(pParent, strCaption, strSuggested, QFileDialog::ShowDirsOnly);
    case FileChooser::OpenFile:
        return QFileDialog::getOpenFileName(pParent, strCaption, strSuggested, kSearchFilter);
    case FileChooser::SaveFile:
        return QFileDialog::getSaveFileName(pParent, strCaption, strSuggested, kSearchFilter);
    }
    return {};
}
}  // namespace

std::string ChooseFilePath(FileChooser kind, QWidget* pParent, const QString& strCaption,
                           const std::string& strSuggested)
{
    // A bare name is offered in the home folder, not wherever the program was started.
    QString suggested = QFile::decodeName(QByteArray::fromStdString(strSuggested));
    if (!suggested.startsWith(QLatin1Char('/')))
        suggested = suggested.isEmpty() ? QDir::homePath() : QDir::homePath() + QLatin1Char('/') + suggested;
    QString answer;
    if (g_answer)
        answer = g_answer(kind, suggested);
    else if (!IsHeadless())
        answer = AskDesktop(kind, pParent, strCaption, suggested);
    if (answer.isEmpty())
        return {};
    return QFile::encodeName(answer).toStdString();
}

void SetFileChooserAnswer(FileChooserAnswer answer) { g_answer = std::move(answer); }
