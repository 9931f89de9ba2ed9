#pragma once
#include "CmdTarget.h"
#include "base/Types.h"

#include <QObject>
#include <string>
#include <vector>

class CView;

// A document: the data one window shows through several views. It tells its views what
// changed with UpdateAllViews and its frames about title changes and closing by signals.
class CDocument : public QObject, public CCmdTarget {
    Q_OBJECT
public:
    CDocument();
    ~CDocument() override;

    // Sets the document up for a new piece of work; FALSE discards the document.
    virtual BOOL OnNewDocument();
    // Closes every window of the document, then destroys it (once control has returned
    // to the event loop, so that a command handler may call it on its own document).
    virtual void OnCloseDocument();

    void AddView(CView* pView);
    void RemoveView(CView* pView);
    const std::vector<CView*>& GetViews() const { return m_views; }
    // Calls OnUpdate of every attached view except the sender.
    void UpdateAllViews(CView* pSender, LPARAM lHint = 0, QObject* pHint = nullptr);

    const std::string& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const std::string& strTitle);

    static const CCmdMap& ClassCmdMap();

signals:
    void titleChanged();
    // Emitted by OnCloseDocument before the document goes: frames close themselves.
    void closing();
    // Emitted after UpdateAllViews has told the views: for panels that show a document
    // without being one of its views.
    void viewsUpdated(qint64 lHint);

protected:
    const CCmdMap& GetCmdMap() const override { return ClassCmdMap(); }

private:
    std::vector<CView*> m_views;  // not owned: views belong to their frames
    std::string m_strTitle;
    bool m_bClosing = false;
};
