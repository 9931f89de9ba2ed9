#include "MarkedPanel.h"

#include "MarkedListModel.h"
#include "cleanup/FreedSpace.h"
#include "doc/VolraDoc.h"
#include "framework/DisplayText.h"
#include "model/FormatSize.h"

#include <QAction>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <new>

// A button that carries out a main-window action. Without marks the action would take the
// selection instead, which is not what a button of this panel says: it is enabled only
// while the action is and something is marked.
QPushButton* CMarkedPanel::ActionButton(const QString& strText, QAction* pAction)
{
    auto* pButton = new QPushButton(strText, this);
    connect(pButton, &QPushButton::clicked, pAction, &QAction::trigger);
    connect(pAction, &QAction::enabledChanged, this, &CMarkedPanel::UpdateButtons);
    m_buttons.emplace_back(pButton, pAction);
    return pButton;
}

void CMarkedPanel::UpdateButtons()
{
    const bool bMarks = m_pDoc != nullptr && !m_pDoc->IsSearching() && m_pDoc->HasMarks();
    for (const auto& [pButton, pAction] : m_buttons)
        pButton->setEnabled(bMarks && pAction != nullptr && pAction->isEnabled());
}

CMarkedPanel::CMarkedPanel(QAction* pTrash, QAction* pDelete, QWidget* pParent)
    : QWidget(pParent), m_pModel(new CMarkedListModel(this)), m_pSummary(new QLabel(this)),
      m_pTable(new QTableView(this))
{
    setObjectName(QStringLiteral("MarkedPanel"));
    m_pSummary->setTextFormat(Qt::PlainText);
    m_pTable->setModel(m_pModel);
    m_pTable->verticalHeader()->hide();
    m_pTable->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    m_pTable->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_pTable->setSelectionMode(QAbstractItemView::NoSelection);
    m_pTable->setWordWrap(false);
    auto* pButtons = new QVBoxLayout;
    pButtons->addWidget(ActionButton(QStringLiteral("Move to trash"), pTrash));
    pButtons->addWidget(ActionButton(QStringLiteral("Delete permanently"), pDelete));
    pButtons->addStretch();
    auto* pBody = new QHBoxLayout;
    pBody->addWidget(m_pTable, 1);
    pBody->addLayout(pButtons);
    auto* pLayout = new QVBoxLayout(this);
    pLayout->addWidget(m_pSummary);
    pLayout->addLayout(pBody, 1);
    Recompute();
}

CMarkedPanel::~CMarkedPanel() = default;

void CMarkedPanel::SetDocument(CVolraDoc* pDoc)
{
    if (m_pDoc == pDoc)
        return;
    if (m_pDoc != nullptr)
        disconnect(m_pDoc, nullptr, this, nullptr);
    m_pDoc = pDoc;
    m_pModel->SetItems({});  // the rows point into the old document's tree
    if (pDoc != nullptr) {
        connect(pDoc, &CDocument::viewsUpdated, this, [this](qint64 lHint) {
            // The entries shown may be freed as soon as the views have let go: so do the rows.
            if (lHint == HINT_TREE_CHANGED)
                m_pModel->SetItems({});
            ScheduleRecompute();
        });
        connect(pDoc, &CDocument::closing, this, [this] { SetDocument(nullptr); });
    }
    ScheduleRecompute();
}

// Marking sends one update per item: the figures are worked out once they have all come.
void CMarkedPanel::ScheduleRecompute()
{
    if (m_onFirstMarks && m_pDoc != nullptr && m_pDoc->HasMarks())
        std::exchange(m_onFirstMarks, nullptr)();
    if (std::exchange(m_bPending, true))
        return;
    QTimer::singleShot(0, this, [this] {
        if (m_bPending)
            Recompute();
    });
}

void CMarkedPanel::Recompute()
{
    m_bPending = false;
    UpdateButtons();
    if (m_pDoc == nullptr || m_pDoc->IsSearching() || !m_pDoc->HasMarks()) {
        m_pModel->SetItems({});
        m_pSummary->setText(QStringLiteral("Nothing is marked. Space marks the selected item."));
        return;
    }
    try {
        std::vector<const CEntry*> items = m_pDoc->GetMarks()->TopMarked();
        const CFreedSpace freed = MeasureFreedSpace(items);
        // Two lines: the paths in them show their own line ends escaped.
        m_pSummary->setText(DisplayText(FreedSpaceText(freed)) + QLatin1Char('\n') + DisplayText(DevicesText(freed)));
        m_pModel->SetItems(std::move(items));
    } catch (const std::bad_alloc&) {
        m_pModel->SetItems({});
        m_pSummary->setText(QStringLiteral("Out of memory: the marked items cannot be measured"));
    }
}

QSize CMarkedPanel::sizeHint() const
{
    constexpr int kLines = 9;  // two of summary, a heading, six rows
    return {QWidget::sizeHint().width(), fontMetrics().height() * kLines + 24};
}

QString CMarkedPanel::SummaryText() const { return m_pSummary->text(); }

std::string CMarkedPanel::DevicesText(const CFreedSpace& freed)
{
    if (freed.devices.empty())
        return "Frees nothing on any file system";
    if (freed.devices.size() == 1)
        return "On the file system of " + freed.devices[0].strTop;
    // Each its own share, since each gets back only what lies on it.
    std::string text = "On " + std::to_string(freed.devices.size()) + " file systems: ";
    for (std::size_t i = 0; i < freed.devices.size(); ++i)
        text += (i > 0 ? ", " : "") + FormatSize(freed.devices[i].nFrees) + " on " + freed.devices[i].strTop;
    return text;
}
