#include "doc/DriveSelectDlg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include <functional>

namespace {

// Five kinds, given out of order; one mount point holds a byte that is not UTF-8.
std::vector<CDriveInfo> FakeDrives()
{
    return {
        {"/mnt/nas", "", DriveKind::Network, "nfs4", "nas:/export"},
        {"/", "System", DriveKind::HardDisc, "ext4", "/dev/sda2"},
        {"/media/caf\xe9", "STICK", DriveKind::Removable, "vfat", "/dev/sdb1"},
        {"/media/cdrom", "DEBIAN 12", DriveKind::CdRom, "iso9660", "/dev/sr0"},
        {"/mnt/floppy", "", DriveKind::Floppy, "vfat", "/dev/fd0"},
    };
}

void PressKey(QWidget* pTarget, int key)
{
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(pTarget, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
    QApplication::sendEvent(pTarget, &release);
}

// Press, release, double-click, release: what the window system delivers for a double-click.
void DoubleClick(QWidget* pViewport, QPoint pos)
{
    const QPointF global = pViewport->mapToGlobal(QPointF(pos));
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease,
                              QEvent::MouseButtonDblClick, QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons buttons = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(pos), global, Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(pViewport, &event);
    }
}

QPoint RowCentre(const QTreeWidget* pList, int row)
{
    return pList->visualItemRect(pList->topLevelItem(row)).center();
}

// Runs the dialog with the actions done from inside its event loop; a dialog the actions
// fail to close is rejected after a while so that a fault cannot hang the test.
int RunModal(CDriveSelectDlg& dlg, const std::function<void()>& actions)
{
    QTimer::singleShot(0, &dlg, actions);
    QTimer::singleShot(5000, &dlg, [&dlg] {
        ADD_FAILURE() << "the dialog was still open";
        dlg.done(-1);
    });
    return dlg.DoModal();
}

}  // namespace

TEST(DriveSelectDlg, ListsTheDrivesSortedWithIconsAndLabels)
{
    CDriveSelectDlg dlg(nullptr, FakeDrives());
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Select drive to search..."));
    QTreeWidget* pList = dlg.GetList();
    ASSERT_NE(pList, nullptr);
    EXPECT_FALSE(pList->rootIsDecorated());
    EXPECT_EQ(pList->selectionMode(), QAbstractItemView::SingleSelection);
    EXPECT_EQ(pList->selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_FALSE(pList->header()->sectionsClickable());
    ASSERT_EQ(pList->columnCount(), 2);
    EXPECT_EQ(pList->headerItem()->text(0), QStringLiteral("Drive"));
    EXPECT_EQ(pList->headerItem()->text(1), QStringLiteral("Title"));
    EXPECT_GE(pList->columnWidth(0), 120);

    const QStringList roots = {"/", "/media/caf\uFFFD", "/media/cdrom", "/mnt/floppy", "/mnt/nas"};
    const QStringList labels = {"System", "STICK", "DEBIAN 12", "", ""};
    const std::vector<std::string> rawRoots = {"/", "/media/caf\xe9", "/media/cdrom", "/mnt/floppy", "/mnt/nas"};
    ASSERT_EQ(pList->topLevelItemCount(), 5);
    for (int row = 0; row < 5; ++row) {
        QTreeWidgetItem* pItem = pList->topLevelItem(row);
        EXPECT_EQ(pItem->text(0), roots[row]);
        EXPECT_EQ(pItem->text(1), labels[row]);
        EXPECT_EQ(CDriveSelectDlg::RootOfItem(pItem), rawRoots[static_cast<std::size_t>(row)]);
        EXPECT_FALSE(pItem->icon(0).pixmap(16, 16).isNull()) << row;
    }
    EXPECT_TRUE(pList->selectedItems().isEmpty());
    EXPECT_TRUE(dlg.m_strDrive.empty());
}

TEST(DriveSelectDlg, OkFollowsTheSelection)
{
    CDriveSelectDlg dlg(nullptr, FakeDrives());
    QTreeWidget* pList = dlg.GetList();
    QPushButton* pOk = dlg.GetOkButton();
    ASSERT_NE(pOk, nullptr);
    EXPECT_TRUE(pOk->isDefault());
    EXPECT_FALSE(pOk->isEnabled());

    pList->topLevelItem(2)->setSelected(true);
    EXPECT_TRUE(pOk->isEnabled());
    EXPECT_EQ(dlg.m_strDrive, "/media/cdrom");
    EXPECT_EQ(dlg.m_strTitle, "Drive /media/cdrom");

    pList->setCurrentItem(pList->topLevelItem(1));
    EXPECT_EQ(dlg.m_strDrive, "/media/caf\xe9");
    EXPECT_EQ(dlg.m_strTitle, "Drive /media/caf\xe9");

    // An emptied selection disables OK but keeps the last choice.
    pList->clearSelection();
    EXPECT_FALSE(pOk->isEnabled());
    EXPECT_EQ(dlg.m_strDrive, "/media/caf\xe9");
    pList->topLevelItem(0)->setSelected(true);
    EXPECT_TRUE(pOk->isEnabled());
    EXPECT_EQ(dlg.m_strDrive, "/");
    EXPECT_EQ(dlg.m_strTitle, "Drive /");
}

TEST(DriveSelectDlg, EnterChoosesOnlyWithASelection)
{
    CDriveSelectDlg dlg(nullptr, FakeDrives());
    QTreeWidget* pList = dlg.GetList();
    bool stillOpenAfterEnter = false;
    const int result = RunModal(dlg, [&] {
        PressKey(pList, Qt::Key_Return);
        stillOpenAfterEnter = dlg.isVisible() && dlg.result() == 0;
        pList->topLevelItem(4)->setSelected(true);
        PressKey(pList, Qt::Key_Return);
    });
    EXPECT_TRUE(stillOpenAfterEnter);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.m_strDrive, "/mnt/nas");
}

TEST(DriveSelectDlg, DoubleClickChoosesTheRowAtOnce)
{
    // Three rows leave empty space below them.
    std::vector<CDriveInfo> drives = FakeDrives();
    drives.resize(3);
    CDriveSelectDlg dlg(nullptr, drives);
    QTreeWidget* pList = dlg.GetList();
    bool stillOpenAfterEmptyClick = false;
    const int result = RunModal(dlg, [&] {
        pList->topLevelItem(2)->setSelected(true);
        // Below the last row there is nothing to choose.
        const QRect last = pList->visualItemRect(pList->topLevelItem(2));
        ASSERT_LT(last.bottom() + 10, pList->viewport()->height());
        DoubleClick(pList->viewport(), QPoint(last.center().x(), last.bottom() + 8));
        stillOpenAfterEmptyClick = dlg.isVisible() && dlg.result() == 0;
        DoubleClick(pList->viewport(), RowCentre(pList, 1));
    });
    EXPECT_TRUE(stillOpenAfterEmptyClick);
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.m_strDrive, "/media/caf\xe9");
    EXPECT_EQ(dlg.m_strTitle, "Drive /media/caf\xe9");
}

TEST(DriveSelectDlg, CancelEscapeAndCloseBoxCancel)
{
    enum class Way { Button, Escape, CloseBox };
    for (Way way : {Way::Button, Way::Escape, Way::CloseBox}) {
        SCOPED_TRACE(static_cast<int>(way));
        CDriveSelectDlg dlg(nullptr, FakeDrives());
        const int result = RunModal(dlg, [&] {
            dlg.GetList()->topLevelItem(3)->setSelected(true);
            if (way == Way::Button)
                dlg.GetCancelButton()->click();
            else if (way == Way::Escape)
                PressKey(dlg.GetList(), Qt::Key_Escape);
            else
                dlg.close();
        });
        EXPECT_EQ(result, IDCANCEL);
    }
    // OK after a selection is the other way out.
    CDriveSelectDlg dlg(nullptr, FakeDrives());
    const int result = RunModal(dlg, [&] {
        dlg.GetList()->topLevelItem(3)->setSelected(true);
        dlg.GetOkButton()->click();
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dlg.m_strDrive, "/mnt/floppy");
}

TEST(DriveSelectDlg, DrawsAnIconForEveryKind)
{
    const DriveKind kinds[] = {DriveKind::Floppy, DriveKind::HardDisc, DriveKind::CdRom,
                               DriveKind::Removable, DriveKind::Network};
    std::vector<QImage> images;
    for (DriveKind kind : kinds) {
        SCOPED_TRACE(static_cast<int>(kind));
        const QIcon drawn = CDriveSelectDlg::DrawnIcon(kind);
        QImage image = drawn.pixmap(16, 16).toImage();
        ASSERT_EQ(image.size(), QSize(16, 16));
        int opaque = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                opaque += qAlpha(image.pixel(x, y)) > 128 ? 1 : 0;
        EXPECT_GE(opaque, 40);
        EXPECT_LT(opaque, 256);
        EXPECT_FALSE(CDriveSelectDlg::IconOf(kind).pixmap(16, 16).isNull());
        images.push_back(image);
    }
    for (std::size_t i = 0; i < images.size(); ++i)
        for (std::size_t j = i + 1; j < images.size(); ++j)
            EXPECT_NE(images[i], images[j]) << i << " / " << j;
}
