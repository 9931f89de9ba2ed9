// Volra: walks a file system and shows where the space went.
//
// Until the main window arrives, the program runs one new search (drive dialog, walk with
// progress) and prints the finished search's title; "volra PATH" searches that directory.
#include "doc/DriveVolraDoc.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Volra"));
    QApplication::setOrganizationName(QStringLiteral("kestrow software"));

    auto* pDoc = new CDriveVolraDoc;
    const QStringList args = QApplication::arguments();
    if (args.size() > 1) {
        const QByteArray path = QFileInfo(args.at(1)).canonicalFilePath().toLocal8Bit();
        if (path.isEmpty()) {
            std::fprintf(stderr, "volra: %s: no such directory\n", qPrintable(args.at(1)));
            return 1;
        }
        pDoc->PresetRoot(path.toStdString(), "Folder " + path.toStdString());
    }
    const BOOL bOk = pDoc->OnNewDocument();
    if (bOk)
        std::printf("%s\n", pDoc->GetTitle().c_str());
    delete pDoc;
    return bOk ? 0 : 1;
}
