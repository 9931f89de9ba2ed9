#include "Snapshot.h"

#include "HeadlessSearch.h"
#include "doc/Resource.h"
#include "doc/VolraDoc.h"
#include "sys/AtomicFile.h"
#include "views/ColourBy.h"
#include "views/FileTypeInfo.h"
#include "views/VolraBlockView.h"
#include "views/VolraListView.h"
#include "views/VolraPieView.h"
#include "views/VolraPrefs.h"
#include "views/VolraSpiderView.h"
#include "views/VolraTreeView.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QSplitter>
#include <algorithm>
#include <cstdio>
#include <memory>

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

// The views a snapshot can draw, by --mode; the spider only here, as no command shows it.
const QStringList& SnapshotModes()
{
    static const QStringList modes = {QStringLiteral("block"), QStringLiteral("list"), QStringLiteral("pie"),
                                      QStringLiteral("spider")};
    return modes;
}

CView* MakeSnapshotView(const QString& mode, QWidget* pParent)
{
    if (mode == QLatin1String("list"))
        return new CVolraListView(pParent);
    if (mode == QLatin1String("pie"))
        return new CVolraPieView(pParent);
    if (mode == QLatin1String("spider"))
        return new CVolraSpiderView(pParent);
    return new CVolraBlockView(pParent);
}

// The picture's format follows the output's suffix when it names one that can be written
// ("shot.jpg"), and is PNG otherwise ("/dev/stdout").
QByteArray FormatFor(const std::string& output)
{
    const std::string name = output.substr(output.rfind('/') + 1);  // npos + 1: the whole path
    const std::size_t dot = name.rfind('.');
    QByteArray suffix;
    if (dot != std::string::npos)
        suffix = QByteArray::fromStdString(name.substr(dot + 1)).toLower();
    return QImageWriter::supportedImageFormats().contains(suffix) ? suffix : QByteArray("png");
}

}  // namespace

std::optional<CSnapshotRequest> ParseSnapshotArguments(const std::vector<std::string>& args, QString& error)
{
    if (std::find(args.begin(), args.end(), "--snapshot") == args.end())
        return std::nullopt;
    CSnapshotRequest request;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const QString a = QString::fromStdString(args[i]);  // options are words; paths stay bytes
        const bool hasValue = i + 1 < args.size();
        if ((a == QLatin1String("--snapshot") || a == QLatin1String("--mode") || a == QLatin1String("--size")
             || a == QLatin1String("--output") || a == QLatin1String("--colour"))
            && !hasValue) {
            error = a + QStringLiteral(" needs a value");
            return request;
        }
        if (a == QLatin1String("--tree"))
            request.tree = true;
        else if (a == QLatin1String("--size-on-disk"))
            request.sizeOnDisk = true;
        else if (a == QLatin1String("--snapshot"))
            request.path = args[++i];
        else if (a == QLatin1String("--mode"))
            request.mode = QString::fromStdString(args[++i]);
        else if (a == QLatin1String("--size")) {
            const QString value = QString::fromStdString(args[++i]);
            if (!ParseSize(value, request.size))
                error =
                    QStringLiteral("--size wants WIDTHxHEIGHT, each from 1 to %1, not \"%2\"").arg(kMaxSide).arg(value);
        } else if (a == QLatin1String("--output"))
            request.output = args[++i];
        else if (a == QLatin1String("--colour"))
            request.colour = args[++i];
        else
            error = QStringLiteral("unknown argument \"%1\"").arg(a);
    }
    if (error.isEmpty() && !SnapshotModes().contains(request.mode))
        error = QStringLiteral("--mode \"%1\" is not available; this version draws: %2")
                    .arg(request.mode, SnapshotModes().join(QStringLiteral(", ")));
    if (error.isEmpty() && !ColourByFromWord(request.colour))
        error = QStringLiteral("--colour \"%1\" is not a colouring; choose depth, type or age")
                    .arg(QString::fromStdString(request.colour));
    if (error.isEmpty() && request.output.empty())
        error = QStringLiteral("--output FILE.png is missing");
    return request;
}

int RunSnapshot(const CSnapshotRequest& request)
{
    const CHeadlessRun headless;
    const std::optional<EColourBy> colourBy = ColourByFromWord(request.colour);
    if (!colourBy) {
        FailHeadless("--colour \"" + request.colour + "\" is not a colouring; choose depth, type or age");
        return 1;
    }
    CSearchSource source;
    std::string reason;
    if (!ResolveSearchSource(request.path, source, reason)) {
        FailHeadless(reason);
        return 1;
    }
    CAtomicFile output;  // a wrong place should fail now, not after a long search
    if (!output.Open(request.output, reason)) {
        FailHeadless(request.output + ": " + reason);
        return 1;
    }
    AfxGetPrefs().LoadPreferences();
    AfxGetPrefs().CreateFonts();
    // The picture shows what was asked for, whatever the windows were last coloured by.
    AfxGetPrefs().m_nColourBy = static_cast<int>(*colourBy);
    InstallFileTypeIcons();
    const std::unique_ptr<CVolraDoc> pDoc = OpenSearchHeadless(source);
    if (pDoc == nullptr)
        return 1;
    CVolraDoc& doc = *pDoc;
    CEntry::ShowDiskSizes(request.sizeOnDisk);
    // The views as a search window holds them: the tree panel beside the mode's view.
    QSplitter window;
    CView* pView = MakeSnapshotView(request.mode, &window);
    CView* pTree = request.tree ? new CVolraTreeView(&window) : nullptr;
    if (pTree != nullptr)
        window.insertWidget(0, pTree);
    window.resize(request.size);
    // One size per widget: a second size for a lone view would leave it none at all.
    if (pTree != nullptr)
        window.setSizes({kTreeWidth, request.size.width() - kTreeWidth});
    for (CView* v : {pTree, pView}) {
        if (v != nullptr) {
            doc.AddView(v);
            v->OnInitialUpdate();
        }
    }
    doc.UpdateAllViews(nullptr, HINT_REDRAW);
    QCoreApplication::processEvents();
    const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB32);
    for (CView* v : {pTree, pView})
        if (v != nullptr)
            doc.RemoveView(v);
    QByteArray encoded;
    QBuffer buffer(&encoded);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, FormatFor(request.output));
    if (!writer.write(image)) {
        FailHeadless(request.output + ": " + writer.errorString().toStdString());
        return 1;
    }
    if (!output.Write(encoded.constData(), static_cast<std::size_t>(encoded.size()), reason)
        || !output.Commit(reason)) {
        FailHeadless(request.output + ": " + reason);
        return 1;
    }
    return 0;
}
