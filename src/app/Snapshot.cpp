#include "Snapshot.h"

#include "doc/DriveVolraDoc.h"
#include "views/FileTypeInfo.h"
#include "views/VolraBlockView.h"
#include "views/VolraPieView.h"
#include "views/VolraSpiderView.h"
#include "views/VolraPrefs.h"

#include <QFileInfo>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <cstdio>
#include <memory>

namespace {
constexpr int kMaxSide = 16384;  // a picture larger than this is a typo, not a request

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

// The views a snapshot can draw, by --mode; the spider only here, as no command shows it.
const QStringList& SnapshotModes()
{
    static const QStringList modes = {QStringLiteral("block"), QStringLiteral("pie"), QStringLiteral("spider")};
    return modes;
}

std::unique_ptr<CView> MakeSnapshotView(const QString& mode)
{
    if (mode == QLatin1String("pie"))
        return std::make_unique<CVolraPieView>();
    if (mode == QLatin1String("spider"))
        return std::make_unique<CVolraSpiderView>();
    return std::make_unique<CVolraBlockView>();
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
        if (a == QLatin1String("--snapshot"))
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
    if (error.isEmpty() && !SnapshotModes().contains(request.mode))
        error = QStringLiteral("--mode \"%1\" is not available; this version draws: %2")
                    .arg(request.mode, SnapshotModes().join(QStringLiteral(", ")));
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
    const std::unique_ptr<CView> view = MakeSnapshotView(request.mode);
    view->resize(request.size);
    doc.AddView(view.get());
    view->OnInitialUpdate();
    QImage image(request.size, QImage::Format_RGB32);
    image.fill(Qt::white);
    view->render(&image);
    doc.RemoveView(view.get());
    QImageWriter writer(request.output);
    if (!writer.write(image)) {
        Fail(QStringLiteral("%1: %2").arg(request.output, writer.errorString()));
        return 1;
    }
    return 0;
}
