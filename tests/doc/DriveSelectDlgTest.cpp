#include "doc/DriveSelectDlg.h"
#include "doc/DriveListDelegate.h"
#include "framework/FileChooser.h"
#include "support/DocHarness.h"
#include "support/Input.h"
#include "support/ModalWatch.h"
#include "support/TempTree.h"

#include <gtest/gtest.h>

#include <QHelpEvent>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <QTreeWidget>

#include <latch>

namespace {

// Five kinds, given out of order; one mount point holds a byte that is not UTF-8.
std::vector<CDriveInfo> FakeDrives(std::size_t count = 5)
{
    std::vector<CDriveInfo> drives = {
        {"/mnt/nas", "", DriveKind::Network, "nfs4", "nas:/export"},
        {"/", "System", DriveKind::HardDisc, "ext4", "/dev/sda2"},
        {"/media/caf\xe9", "STICK", DriveKind::Removable, "vfat", "/dev/sdb1"},
        {"/media/cdrom", "DEBIAN 12", DriveKind::CdRom, "iso9660", "/dev/sr0"},
        {"/mnt/floppy", "", DriveKind::Floppy, "vfat", "/dev/fd0"},
    };
    drives.resize(count);
    return drives;
}

}  // namespace

TEST(DriveSelectDlg, ListsTheDrivesSortedAndOkFollowsTheSelection)
{
    CDriveSelectDlg dlg(nullptr, FakeDrives());
    QTreeWidget* pList = dlg.GetList();
    const QStringList roots = {"/", "/media/caf\uFFFD", "/media/cdrom", "/mnt/floppy", "/mnt/nas"};
    const QStringList labels = {"System", "STICK", "DEBIAN 12", "", ""};
    ASSERT_EQ(pList->topLevelItemCount(), 5);
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(pList->topLevelItem(row)->text(0), roots[row]);
        EXPECT_EQ(pList->topLevelItem(row)->text(1), labels[row]);
    }
    EXPECT_FALSE(dlg.GetOkButton()->isEnabled());

    // The chosen root keeps the bytes the mount table gave, whatever the row shows.
    pList->setCurrentItem(pList->topLevelItem(1));
    EXPECT_TRUE(dlg.GetOkButton()->isEnabled());
    EXPECT_EQ(dlg.m_strDrive, "/media/caf\xe9");
    EXPECT_EQ(dlg.m_strTitle, "Drive /media/caf\xe9");
    // An emptied selection disables OK but keeps the last choice.
    pList->clearSelection();
    EXPECT_FALSE(dlg.GetOkButton()->isEnabled());
    EXPECT_EQ(dlg.m_strDrive, "/media/caf\xe9");
}

TEST(DriveSelectDlg, EachWayOutGivesItsResult)
{
    // Three rows ("/", "/media/caf\xe9", "/mnt/nas") leave empty space below them. The row
    // given is selected first, when there is one.
    using D = CDriveSelectDlg;
    const auto rowRect = [](D& d, int row) { return d.GetList()->visualItemRect(d.GetList()->topLevelItem(row)); };
    const struct {
        int row;
        std::function<void(D&)> action;
        int result;
        std::string drive;
    } ways[] = {
        {-1,
         [](D& d) {
             QTest::keyClick(d.GetList(), Qt::Key_Return);
             EXPECT_TRUE(d.isVisible()) << "Enter chooses nothing without a selection";
             d.GetList()->topLevelItem(2)->setSelected(true);
             QTest::keyClick(d.GetList(), Qt::Key_Return);
         },
         IDOK, "/mnt/nas"},
        {2,
         [&](D& d) {
             const QPoint below(rowRect(d, 2).center().x(), rowRect(d, 2).bottom() + 8);
             ASSERT_LT(below.y() + 2, d.GetList()->viewport()->height());
             ClickAt(d.GetList()->viewport(), below, true);
             EXPECT_TRUE(d.isVisible()) << "a double-click below the rows chooses nothing";
             ClickAt(d.GetList()->viewport(), rowRect(d, 1).center(), true);
         },
         IDOK, "/media/caf\xe9"},
        {0, [](D& d) { d.GetOkButton()->click(); }, IDOK, "/"},
        // Down with nothing selected selects the first row, then goes on from there.
        {-1,
         [](D& d) {
             QTest::keyClick(d.GetList(), Qt::Key_Down);
             EXPECT_EQ(d.m_strDrive, "/");
             QTest::keyClick(d.GetList(), Qt::Key_Down);
             QTest::keyClick(d.GetList(), Qt::Key_Return);
         },
         IDOK, "/media/caf\xe9"},
        {0, [](D& d) { d.GetCancelButton()->click(); }, IDCANCEL, "/"},
        {0, [](D& d) { QTest::keyClick(d.GetList(), Qt::Key_Escape); }, IDCANCEL, "/"},
        {0, [](D& d) { d.close(); }, IDCANCEL, "/"},
    };
    for (const auto& way : ways) {
        D dlg(nullptr, FakeDrives(3));
        WhenModal<D>([&way](D& d) {
            if (way.row >= 0)
                d.GetList()->topLevelItem(way.row)->setSelected(true);
            way.action(d);
        });
        EXPECT_EQ(dlg.DoModal(), way.result) << way.drive;
        EXPECT_EQ(dlg.m_strDrive, way.drive);
    }
}

// The chooser's answer is text: it is searched only when, turned back into bytes, it names
// a folder that is there; otherwise a box says why and the dialog stays for another choice.
TEST(DriveSelectDlg, FolderSearchesAnyFolderTheChooserNames)
{
    TempTree t;
    t.Dir("caf\xc3\xa9");
    t.Dir("bad\xff");
    t.File("plain");
    t.Symlink("link", "caf\xc3\xa9");
    const std::string cafe = t.Path("caf\xc3\xa9");
    const struct {
        QString answer;
        int result;
        std::string drive, box;
    } cases[] = {
        {QString(), IDCANCEL, "", ""},
        {QString::fromStdString(cafe), IDOK, cafe, ""},
        {QString::fromStdString(t.Path("link/")), IDOK, cafe, ""},
        {QString::fromStdString(t.Path("plain")), IDCANCEL, "", t.Path("plain") + ": Not a directory"},
        {QString::fromLocal8Bit(t.Path("bad\xff")), IDCANCEL, "",
         t.Path("bad\xef\xbf\xbd") + ": No such file or directory"},
    };
    for (const auto& c : cases) {
        SetFileChooserAnswer([&c](FileChooser kind, const QString&) {
            EXPECT_EQ(kind, FileChooser::Folder);
            return c.answer;
        });
        ErrorBoxes boxes;
        CDriveSelectDlg dlg(nullptr, FakeDrives(3));
        WhenModal<CDriveSelectDlg>([](CDriveSelectDlg& d) {
            d.GetFolderButton()->click();
            if (d.isVisible())
                d.GetCancelButton()->click();
        });
        EXPECT_EQ(dlg.DoModal(), c.result);
        EXPECT_EQ(dlg.m_strDrive, c.drive);
        EXPECT_EQ(dlg.m_strTitle, c.drive.empty() ? "" : "Folder " + c.drive);
        EXPECT_EQ(boxes.shown, c.box.empty() ? std::vector<std::string>{} : std::vector<std::string>{c.box});
    }
    SetFileChooserAnswer(nullptr);
}

// Beside drive and title: size, used (with its bar) and free. A network file system answers
// when it answers, without holding up the dialog; one that does not answer stays blank. A
// cell that cuts its text shows it whole in a tip.
TEST(DriveSelectDlg, ShowsTheSpaceAsItComesAndCutTextsInTips)
{
    std::latch network(1);  // the server's answer, held back until the test lets it come
    const DiskSpaceReader reader = [&](const std::string& root, CDiskSpace& space) {
        if (root == "/mnt/nas")
            network.wait();
        space = {1000LL << 20, 250LL << 20, 750LL << 20, 0};
        return root != "/media/cdrom";
    };
    std::vector<CDriveInfo> drives = FakeDrives();
    const std::string deep = "/media/ann/" + std::string(60, 'x');
    drives.push_back({deep, "", DriveKind::Removable, "ext4", "/dev/sdc1"});
    CDriveSelectDlg dlg(nullptr, drives, reader);
    dlg.show();
    QTreeWidget* pList = dlg.GetList();
    const auto figures = [pList](int row) {
        QStringList texts;
        for (int column : {CDriveSelectDlg::kSizeColumn, CDriveSelectDlg::kUsedColumn, CDriveSelectDlg::kFreeColumn})
            texts << pList->topLevelItem(row)->text(column);
        return texts;
    };
    const QStringList known = {"1000.00M", "250.00M", "750.00M"};
    EXPECT_EQ(figures(0), known);
    const QVariant share = pList->topLevelItem(0)->data(CDriveSelectDlg::kUsedColumn, CDriveListDelegate::kUsageRole);
    EXPECT_DOUBLE_EQ(share.toDouble(), 0.25);
    EXPECT_EQ(figures(3), (QStringList{"", "", ""})) << "no answer, no figures";
    EXPECT_EQ(figures(5), (QStringList{"", "", ""})) << "the network is still asked";
    network.count_down();
    EXPECT_TRUE(QTest::qWaitFor([&] { return figures(5) == known; }, 10000));

    QTreeWidgetItem* pDeep = pList->topLevelItem(1);
    ASSERT_EQ(CDriveSelectDlg::RootOfItem(pDeep), deep);
    auto* pDelegate = qobject_cast<CDriveListDelegate*>(pList->itemDelegate());
    ASSERT_NE(pDelegate, nullptr);
    const auto cut = [&](QTreeWidgetItem* pItem, int column) {
        QStyleOptionViewItem option;
        option.initFrom(pList);
        const QModelIndex index = pList->indexFromItem(pItem, column);
        option.rect = pList->visualRect(index);
        return pDelegate->CutText(option, index);
    };
    EXPECT_EQ(cut(pDeep, CDriveSelectDlg::kDriveColumn).toStdString(), deep);
    EXPECT_EQ(cut(pList->topLevelItem(0), CDriveSelectDlg::kDriveColumn), QString()) << "\"/\" fits";
    EXPECT_EQ(cut(pList->topLevelItem(0), CDriveSelectDlg::kUsedColumn), QString()) << "bar and figure fit";
    const QRect cell = pList->visualRect(pList->indexFromItem(pDeep, CDriveSelectDlg::kDriveColumn));
    QHelpEvent help(QEvent::ToolTip, cell.center(), pList->viewport()->mapToGlobal(cell.center()));
    QCoreApplication::sendEvent(pList->viewport(), &help);
    EXPECT_EQ(QToolTip::text().toStdString(), deep);
}
