#include "AppFixture.h"

#include "app/AppCommands.h"
#include "app/FlatToolBar.h"

#include <QLayout>
#include <QStatusBar>
#include <QTest>

namespace {

CFlatToolBar* Bar(CMainFrame& frame) { return frame.findChild<CFlatToolBar*>(); }

// Drags the bar by its handle far from the main window, where it floats.
void DragAway(CFlatToolBar* pBar)
{
    const QPoint handle = pBar->GetHandleRect().center();
    QTest::mousePress(pBar, Qt::LeftButton, {}, handle);
    for (int step = 1; step <= 10; ++step)
        QTest::mouseMove(pBar, handle + QPoint(40 * step, 40 * step));
    QTest::mouseRelease(pBar, Qt::LeftButton, {}, handle + QPoint(400, 400));
}

}  // namespace

TEST(FlatToolBar, TheBarDockedOrDraggedAwayComesBackAsLeft)
{
    AppFixture f;
    f.Frame().show();
    CFlatToolBar* bar = Bar(f.Frame());
    ASSERT_NE(bar, nullptr);
    f.Frame().addToolBar(Qt::LeftToolBarArea, bar);
    f.Frame().layout()->activate();
    ASSERT_GT(bar->height(), bar->width());
    f.Command(ID_VIEW_STATUS_BAR);
    f.Frame().close();
    {
        CMainFrame next(nullptr);
        EXPECT_EQ(next.toolBarArea(Bar(next)), Qt::LeftToolBarArea);
        EXPECT_FALSE(Bar(next)->isHidden());
        EXPECT_TRUE(next.statusBar()->isHidden());
    }

    f.Frame().show();
    DragAway(bar);
    ASSERT_TRUE(bar->isFloating());
    f.Command(ID_VIEW_STATUS_BAR);
    f.Frame().close();
    CMainFrame next(nullptr);
    EXPECT_TRUE(Bar(next)->isFloating());
    EXPECT_FALSE(next.statusBar()->isHidden());
}
