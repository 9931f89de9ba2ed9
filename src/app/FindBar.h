#pragma once
#include <QWidget>

#include <cstdint>
#include <memory>

class CEntryFilter;
class CEntryFind;
class CVolraDoc;
class QLabel;
class QLineEdit;

// Find (Ctrl+F): a field above the views of a search window, hidden until asked for. Each
// change of its text finds the files below the current directory whose names (or, with a
// "/", whose paths) hold or match it (CFindPattern: substrings and globs, A-Z in any case)
// and sets them as the document's filter, which follows the current directory and the
// tree's changes from then on. An empty field sets no filter; Escape clears the filter and
// hides the bar.
class CFindBar : public QWidget {
    Q_OBJECT
public:
    explicit CFindBar(CVolraDoc* pDoc, QWidget* pParent = nullptr);
    ~CFindBar() override;

    // Shows the bar with the keyboard in its field, the text selected for typing over.
    void Open();
    // Clears the document's filter when it is this bar's, empties the field and hides.
    void Close();
    // The document is going: nothing to filter any more.
    void Detach() { m_pDoc = nullptr; }
    QLineEdit* GetField() const { return m_pField; }

signals:
    // Escape was pressed: the window gives the keyboard back to its view.
    void closedByKey();

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void OnTextEdited();
    void ForgetOlderTree();

    CVolraDoc* m_pDoc;  // not owned; null once the document has gone
    QLineEdit* m_pField;
    // Shared with the filter's refill, which applies the pattern again after a change.
    std::shared_ptr<CEntryFind> m_pFind;
    const CEntryFilter* m_pFilterSet = nullptr;  // the last filter this bar set: compared only
    std::uint64_t m_nTreeGeneration = 0;  // the tree m_pFind's matches are of
};
