#include "Snapshot.h"

#include "doc/DriveVolraDoc.h"
#include "doc/Resource.h"
#include "views/FileTypeInfo.h"
#include "views/VolraBlockView.h"
#include "views/VolraListView.h"
#include "views/VolraPrefs.h"
#include "views/VolraTreeView.h"

#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSplitter>
#include <cstdio>

namespace {
constexpr int kMaxSide = 16384;  // a picture larger than this is a typo, not a request
constexpr int kTreeWidth = 192;  // the tree panel's width, as a search window starts

bool ParseSize(const QString& text, QSize& size)
{
    const QStringList parts = text.toLower().split(QLatin1Char('x'));
    if (parts.size() != 2)
        return false;
    bool okW = false, okH = false;
    const int w = parts[0].toInt(&okW);
    const int h = parts[1].toInt(&okH);
    if (!okW || !okH || w < 1 || h < 1 || w > kMaxSide || h > kMaxSide)
        return false;
    size = QSize(w, h);
    return true;
}

void Fail(const QString& message)
{
    std::fprintf(stderr, "volra: %s\n", qPrintable(message));
}
}  // namespace

std::optional<CSnapshotRequest> ParseSnapshotArguments(const QStringList& args, QString& error)
{
    const qsizetype at = args.indexOf(QStringLiteral("--snapshot"));
    if (at < 0)
        return std::nullopt;
    CSnapshotRequest request;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString& a = args[i];
        const bool hasValue = i + 1 < args.size();
        if ((a == QLatin1String("--snapshot") || a == QLatin1String("--mode") || a == QLatin1String("--size")
             || a == QLatin1String("--output")) && !hasValue) {
            error = a + QStringLiteral(" needs a value");
            return request;
        }
        if (a == QLatin1String("--tree"))
            request.tree = true;
        else if (a == QLatin1String("--snapshot"))
            request.path = args[++i];
        else if (a == QLatin1String("--mode"))
            request.mode = args[++i];
        else if (a == QLatin1String("--size")) {
            if (!ParseSize(args[++i], request.size))
                error = QStringLiteral("--size wants WIDTHxHEIGHT, each from 1 to %1, not \"%2\"").arg(kMaxSide).arg(args[i]);
        } else if (a == QLatin1String("--output"))
            request.output = args[++i];
        else
            error = QStringLiteral("unknown argument \"%1\"").arg(a);
    }
    if (error.isEmpty() && request.mode != QLatin1String("block") && request.mode != QLatin1String("list"))
        error = QStringLiteral("--mode \"%1\" is not available; this version draws: block, list").arg(request.mode);
    if (error.isEmpty() && request.output.isEmpty())
        error = QStringLiteral("--output FILE.png is missing");
    return request;
}

int RunSnapshot(const CSnapshotRequest& request)
{
    const QFileInfo info(request.path);
    if (!info.exists() || !info.isDir()) {
        Fail(QStringLiteral("%1: not a directory").arg(request.path));
        return 1;
    }
    AfxGetPrefs().LoadPreferences();
    AfxGetPrefs().CreateFonts();
    InstallFileTypeIcons();
    const std::string root = QFile::encodeName(info.canonicalFilePath()).toStdString();
    CDriveVolraDoc doc;
    doc.PresetRoot(root, "Folder " + root);
    if (!doc.OnNewDocument()) {
        Fail(QStringLiteral("the search of %1 failed").arg(request.path));
        return 1;
    }
    // The views as a search window holds them: the tree panel beside the mode's view.
    QSplitter window;
    CView* pView = request.mode == QLatin1String("list") ? static_cast<CView*>(new CVolraListView(&window))
                                                         : new CVolraBlockView(&window);
    CView* pTree = request.tree ? new CVolraTreeView(&window) : nullptr;
    if (pTree != nullptr)
        window.insertWidget(0, pTree);
    window.resize(request.size);
    window.setSizes({pTree != nullptr ? kTreeWidth : 0, request.size.width()});
    for (CView* v : {pTree, pView}) {
        if (v != nullptr) {
            doc.AddView(v);
            v->OnInitialUpdate();
        }
    }
    doc.UpdateAllViews(nullptr, HINT_REDRAW);
    window.show();  // offscreen: lays the item views out as on a screen
    QCoreApplication::processEvents();
    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (CView* v : {pTree, pView})
        doc.RemoveView(v);
    QImageWriter writer(request.output);
    if (!writer.write(image)) {
        Fail(QStringLiteral("%1: %2").arg(request.output, writer.errorString()));
        return 1;
    }
    return 0;
}
