#include "PathMimeData.h"

#include "UiServices.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QUrl>

QByteArray FileUriOf(const std::string& strPath)
{
    const QByteArray bytes(strPath.data(), static_cast<qsizetype>(strPath.size()));
    // Everything but the unreserved characters and "/" is escaped, every byte on its own.
    return QByteArrayLiteral("file://") + bytes.toPercentEncoding("/");
}

QMimeData* NewPathMimeData(const std::string& strPath, bool bLocalFile)
{
    auto* pData = new QMimeData;
    pData->setText(QString::fromUtf8(strPath.data(), static_cast<qsizetype>(strPath.size())));
    if (bLocalFile) {
        // Set as bytes: a QUrl would decode the escapes of a name that is not UTF-8.
        const QByteArray uri = FileUriOf(strPath);
        pData->setData(QStringLiteral("text/uri-list"), uri + "\r\n");
        pData->setData(QStringLiteral("x-special/gnome-copied-files"), "copy\n" + uri);
    }
    return pData;
}

void CopyPathToClipboard(const std::string& strPath, bool bLocalFile)
{
    if (!HaveWidgets())
        return;
    if (QClipboard* pClipboard = QGuiApplication::clipboard())
        pClipboard->setMimeData(NewPathMimeData(strPath, bLocalFile));
}
