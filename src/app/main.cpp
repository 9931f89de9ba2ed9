// Volra: walks a file system and shows where the space went.
//
//   volra                 offers a new search at once
//   volra PATH            searches the directory PATH
//   volra --snapshot PATH --mode block|list [--tree] --size WxH --output FILE.png
//                         searches PATH without a window and writes the view as a picture
#include "Snapshot.h"
#include "VolraApp.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    bool snapshot = false;
    for (int i = 1; i < argc; ++i)
        snapshot = snapshot || std::strcmp(argv[i], "--snapshot") == 0;
    if (snapshot)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);  // no window, no display needed

    QApplication app(argc, argv);
    Q_INIT_RESOURCE(app);  // help, icons: linked from a static library
    QApplication::setApplicationName(QStringLiteral("Volra"));
    QApplication::setOrganizationName(QStringLiteral("kestrow software"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/volra.svg")));
    const QStringList args = QApplication::arguments();

    QString error;
    if (const auto request = ParseSnapshotArguments(args, error)) {
        if (!error.isEmpty()) {
            std::fprintf(stderr, "volra: %s\n", qPrintable(error));
            return 2;
        }
        return RunSnapshot(*request);
    }

    std::string folder;
    if (args.size() > 1) {
        const QFileInfo info(args.at(1));
        if (!info.isDir()) {
            std::fprintf(stderr, "volra: %s: not a directory\n", qPrintable(args.at(1)));
            return 2;
        }
        folder = QFile::encodeName(info.canonicalFilePath()).toStdString();
    }

    CVolraApp volra;
    if (!volra.InitInstance(folder))
        return 1;
    const int code = QApplication::exec();
    volra.ExitInstance();
    return code;
}
