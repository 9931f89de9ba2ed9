// Volra: walks a file system and shows where the space went.
//
//   volra                 offers a new search at once
//   volra PATH            searches the directory PATH, or opens the search saved in the file PATH
//   volra --save PATH FILE.json
//                         searches PATH without a window and writes the search in ncdu's format
//   volra --compare OLD NEW [--top N] [--bytes]
//                         compares two searches of one folder (saved, or made first)
//   volra --types PATH    prints what kinds of files PATH holds (a search made first, or saved)
//   volra --snapshot PATH --mode block|list|pie|spider [--tree] --size WxH --output FILE.png
//                         searches PATH without a window and writes the view as a picture
//   volra ssh://[USER@]HOST[:PORT]/PATH
//                         searches PATH on HOST: the search runs there, through ssh
//   volra --help, --version
#include "CommandLineInfo.h"
#include "Version.h"
#include "VolraApp.h"
#include "ftp/InternetError.h"
#include "remote/SshAskpass.h"

#include <QApplication>
#include <QIcon>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace {
std::vector<std::string> Arguments(int argc, char** argv) { return {argv, argv + argc}; }
}  // namespace

int main(int argc, char** argv)
{
    // Run by ssh to ask for a password: nothing else of the program starts.
    if (IsAskpassRun(argc))
        return RunAskpass(argc, argv);
    // Help and version need no display, and a snapshot needs none either.
    const std::vector<std::string> args = Arguments(argc, argv);
    const CCommandLineInfo early = ParseCommandLine(args);
    if (early.action == CCommandLineInfo::Action::Help) {
        std::fputs(UsageText(), stdout);
        return 0;
    }
    if (early.action == CCommandLineInfo::Action::Version) {
        std::printf("volra %s\n", kVolraVersion);
        return 0;
    }
    // The network library starts before any other thread does, Qt's included.
    if (!InitInternet()) {
        std::fputs("volra: the network library could not be started\n", stderr);
        return 1;
    }
    // Qt's own options all start with "-": without one the early reading is final, and a
    // wrong folder is named even where no display could be reached.
    const bool qtOptions = std::any_of(args.begin() + 1, args.end(), [](const std::string& a) { return a[0] == '-'; });
    if (!early.strError.empty() && !qtOptions) {
        std::fprintf(stderr, "volra: %s\n", early.strError.c_str());
        return 2;
    }
    if (early.action == CCommandLineInfo::Action::Snapshot || early.action == CCommandLineInfo::Action::Save
        || early.action == CCommandLineInfo::Action::Compare || early.action == CCommandLineInfo::Action::Types)
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    QApplication app(argc, argv);  // takes its own options (-style, -platform, ...) out of argv
    Q_INIT_RESOURCE(app);  // help, icons: linked from a static library
    QApplication::setApplicationName(QStringLiteral("Volra"));
    QApplication::setOrganizationName(QStringLiteral("kestrow software"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/volra.svg")));

    // Read again from argv's bytes: QApplication::arguments() would decode the paths.
    const CCommandLineInfo command = ParseCommandLine(Arguments(argc, argv));
    if (!command.strError.empty()) {
        std::fprintf(stderr, "volra: %s\n", command.strError.c_str());
        return 2;
    }
    // A script gets the same result whoever runs it: the headless tools leave out only what
    // the command line says; a window adds the preferences' patterns.
    CExcludeRules::SetForSearches(command.excludes);
    try {
        if (command.action == CCommandLineInfo::Action::Snapshot)
            return RunSnapshot(command.snapshot);
        if (command.action == CCommandLineInfo::Action::Save)
            return RunSave(command.save);
        if (command.action == CCommandLineInfo::Action::Compare)
            return RunCompare(command.compare);
        if (command.action == CCommandLineInfo::Action::Types)
            return RunTypes(command.types);
    } catch (const std::bad_alloc&) {
        // Out of memory outside the walk (writing, painting): what was held is let go by
        // now, and the reason can be told.
        std::fputs("volra: out of memory\n", stderr);
        return 1;
    }

    CVolraApp volra;
    volra.SetCommandLineExcludes(command.excludes);
    if (!volra.InitInstance(command.action == CCommandLineInfo::Action::OpenFile ? command.strFile : command.strFolder))
        return 1;
    const int code = QApplication::exec();
    volra.ExitInstance();
    return code;
}
