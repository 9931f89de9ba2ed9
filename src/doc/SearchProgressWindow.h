#pragma once
#include <QDialog>
#include <QLabel>
#include <QObject>
#include <QPointer>

#include <functional>
#include <string>

class QDialog;
class QLabel;
class QProgressBar;
class QWidget;
class CSearchAnimation;

// The window of a running search: builds the "Search in progress" dialog and keeps
// guarded pointers to it. The dialog is a Qt child of the main window (so that it stays
// on top of it and is centred over it), which means the main window may delete it first;
// every access therefore goes through QPointer, and the destructor deletes only what is
// left. Cancel, Escape and the close box all reject the dialog, which hides it and calls
// the cancel handler.
class CSearchProgressWindow : public QObject {
    Q_OBJECT
public:
    CSearchProgressWindow(QWidget* pParent, std::function<void()> onCancel);
    ~CSearchProgressWindow() override;
    CSearchProgressWindow(const CSearchProgressWindow&) = delete;
    CSearchProgressWindow& operator=(const CSearchProgressWindow&) = delete;

    // The dialog, or null once its parent has deleted it.
    QDialog* Dialog() const { return m_pDialog.data(); }

    void Show();
    void Hide();
    void SetTexts(const std::string& strFiles, const std::string& strDirectories, const std::string& strCurrentDir);
    void SetSize(const std::string& strSize);
    // The share of the file system walked, from 0 to 100; hidden while it is -1 (unknown).
    void SetPercent(int nPercent);

    // Object names of the controls, for whoever needs to find them in the dialog.
    static constexpr const char* kFilesName = "files";
    static constexpr const char* kDirectoriesName = "directories";
    static constexpr const char* kSizeName = "size";
    static constexpr const char* kPercentName = "percent";
    static constexpr const char* kCurrentDirName = "currentDir";
    static constexpr const char* kCancelName = "cancel";
    static constexpr const char* kAnimationName = "animation";

protected:
    bool eventFilter(QObject* pWatched, QEvent* pEvent) override;

private:
    void CreateControls();
    void CentreOverParent();
    // The path as lines that fill the label's width, broken anywhere when a name is too long.
    QString WrapForLabel(const QString& strText) const;
    static constexpr int kMaxShownChars = 1024;  // far more than the label's box holds

    QPointer<QDialog> m_pDialog;
    QPointer<QLabel> m_pFiles;
    QPointer<QLabel> m_pDirectories;
    QPointer<QLabel> m_pCurrentDir;
    QPointer<QLabel> m_pSize;
    QPointer<QProgressBar> m_pPercent;
    std::function<void()> m_onCancel;
};
