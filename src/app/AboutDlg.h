#pragma once
#include <QDialog>

class QLabel;
class QPushButton;

// The About box: the banner across the top, the version, and OK.
class CAboutDlg : public QDialog {
    Q_OBJECT
public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    // Runs the dialog; IDOK when it is closed with OK, IDCANCEL by Escape or the close box.
    int DoModal();

    QPushButton* GetOkButton() const { return m_pOk; }

    // The banner at its logical size, drawn for a screen of the given pixel ratio: the
    // program's treemap mark on the left, its name beside it, on the mark's dark ground.
    static QPixmap DrawBanner(qreal devicePixelRatio);
    static constexpr int kBannerWidth = 360;  // logical pixels
    static constexpr int kBannerHeight = 96;

private:
    void CreateControls();

    QLabel* m_pBanner = nullptr;
    QLabel* m_pVersionLabel = nullptr;
    QLabel* m_pVersion = nullptr;
    QPushButton* m_pOk = nullptr;
};
