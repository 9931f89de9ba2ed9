#include "FindBar.h"

#include "doc/VolraDoc.h"
#include "lenses/EntryFind.h"
#include "model/EntryFilter.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include <new>

namespace {
// Lets the files found below current through; the status bar's count and total of them
// are the find's own, so that nothing walks the tree again to count them.
void FillFilter(CEntryFind& find, CEntry& current, const std::string& pattern, CEntryFilter& filter)
{
    // The filter takes each match as it is found, while its entry is at hand. The names are
    // indexed once per directory: the keystrokes that follow read the index.
    find.Prepare(current);
    const CFindResult& result = find.Find(current, pattern, [&](CEntry& match) { filter.Add(match); });
    filter.NoteFilesBelow(current, result.matches, result.nTotal);
}
}  // namespace

CFindBar::CFindBar(CVolraDoc* pDoc, QWidget* pParent)
    : QWidget(pParent), m_pDoc(pDoc), m_pField(new QLineEdit(this)), m_pFind(std::make_shared<CEntryFind>())
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    auto* label = new QLabel(QStringLiteral("Find:"), this);
    label->setBuddy(m_pField);
    layout->addWidget(label);
    layout->addWidget(m_pField, 1);
    m_pField->setObjectName(QStringLiteral("FindField"));
    m_pField->setPlaceholderText(QStringLiteral("name, *.glob or dir/path"));
    m_pField->setClearButtonEnabled(true);
    m_pField->installEventFilter(this);
    setFocusProxy(m_pField);
    // As high as its field: the views below take every other pixel.
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    // Typed or cleared with the field's button; never a text the program puts in.
    connect(m_pField, &QLineEdit::textEdited, this, &CFindBar::OnTextEdited);
    hide();
}

CFindBar::~CFindBar() = default;

void CFindBar::Open()
{
    // The names are indexed as the bar opens, so that the first keystroke finds at once.
    if (m_pDoc != nullptr && m_pDoc->GetCurrent() != nullptr && m_pDoc->GetRoot() != nullptr) {
        ForgetOlderTree();
        m_pFind->Prepare(*m_pDoc->GetCurrent());
    }
    show();
    m_pField->setFocus(Qt::ShortcutFocusReason);
    m_pField->selectAll();
}

void CFindBar::Close()
{
    if (m_pDoc != nullptr && m_pFilterSet != nullptr && m_pDoc->GetFilter() == m_pFilterSet)
        m_pDoc->ClearFilter();
    m_pFilterSet = nullptr;
    m_pFind->Forget();
    m_pField->clear();
    hide();
}

// The matches and the index point into the tree they were made of: after a change of the
// tree they are dropped, before anything reads them.
void CFindBar::ForgetOlderTree()
{
    if (m_nTreeGeneration != m_pDoc->GetTreeGeneration()) {
        m_pFind->Forget();
        m_nTreeGeneration = m_pDoc->GetTreeGeneration();
    }
}

bool CFindBar::eventFilter(QObject* pWatched, QEvent* pEvent)
{
    if (pWatched == m_pField && pEvent->type() == QEvent::KeyPress
        && static_cast<QKeyEvent*>(pEvent)->key() == Qt::Key_Escape) {
        Close();
        emit closedByKey();
        return true;
    }
    return QWidget::eventFilter(pWatched, pEvent);
}

// Typing on narrows the last matches (CEntryFind); after a change of the tree the matches
// point at entries that may be gone, so the search starts afresh.
void CFindBar::OnTextEdited()
{
    if (m_pDoc == nullptr || m_pDoc->GetCurrent() == nullptr || m_pDoc->GetRoot() == nullptr)
        return;
    const std::string pattern = m_pField->text().toUtf8().toStdString();
    if (pattern.empty()) {
        if (m_pFilterSet != nullptr && m_pDoc->GetFilter() == m_pFilterSet)
            m_pDoc->ClearFilter();
        m_pFilterSet = nullptr;
        return;
    }
    ForgetOlderTree();
    try {
        auto pFilter = std::make_unique<CEntryFilter>(*m_pDoc->GetRoot(), "Find \"" + pattern + "\"");
        FillFilter(*m_pFind, *m_pDoc->GetCurrent(), pattern, *pFilter);
        m_pFilterSet = pFilter.get();
        // The refill owns what it needs: the bar may go before the filter does.
        m_pDoc->SetFilter(std::move(pFilter), [pFind = m_pFind, pattern](CEntry& current, CEntryFilter& filter) {
            pFind->Forget();
            FillFilter(*pFind, current, pattern, filter);
        });
    } catch (const std::bad_alloc&) {
        m_pFind->Forget();
        m_pDoc->ClearFilter();
        m_pFilterSet = nullptr;
    }
}
