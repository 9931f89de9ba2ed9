// The block view coloured by file type and by age, as the program paints it: a real search
// of a scratch tree, pixels read from a grab.
#include "views/LensColour.h"
#include "support/ViewHarness.h"
#include "support/ViewProbe.h"
#include "views/VolraBlockView.h"
#include "views/VolraPrefs.h"

#include <QImage>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>

#include <ctime>
#include <string>
#include <vector>

namespace {
class LensColourTest : public ViewHarness<CVolraBlockView> {
protected:
    void TearDown() override
    {
        ViewHarness::TearDown();
        AfxGetPrefs().m_nColourBy = 0;
    }
    void ColourBy(EColourBy by)
    {
        AfxGetPrefs().m_nColourBy = static_cast<int>(by);
        doc->UpdateAllViews(nullptr, HINT_REDRAW);
    }
    // The fill of a file's block, away from its label (at the top left).
    QColor FillOf(const std::string& name)
    {
        const QImage image = GrabImage(*view);
        const CEntry* pEntry = Child(root, name);
        const CRect rc = view->GetLayout().RectOf(pEntry).value_or(CRect());
        EXPECT_GT(rc.Height(), 20) << name << " has room for a label and fill below it";
        return image.pixelColor(rc.right - 3, rc.bottom - 3);
    }
    // The step of the age gradient a file's block is painted in, or -1 for none.
    int StepOf(const std::string& name)
    {
        const QColor fill = FillOf(name);
        for (std::size_t s = 0; s < CLensColour::kAgeSteps; ++s)
            if (CLensColour::Shade(CLensColour::AgeColour(double(s) / (CLensColour::kAgeSteps - 1)),
                                   Child(root, name)->GetColour())
                == fill)
                return static_cast<int>(s);
        return -1;
    }
    void SetModified(const std::string& name, std::int64_t nSecondsAgo) const
    {
        const timespec times[2] = {{0, UTIME_OMIT}, {std::time(nullptr) - nSecondsAgo, 0}};
        ASSERT_EQ(0, ::utimensat(AT_FDCWD, tree.Path(name).c_str(), times, 0)) << name;
    }
};

constexpr std::int64_t kDay = 24 * 3600;
}  // namespace

// Every category gets its legend colour (shaded by the file's colour index, as the usual
// palette shades neighbours); the view paints as before once the lens is off.
TEST_F(LensColourTest, FilesOfEachCategoryArePaintedInTheCategorysColour)
{
    const std::vector<std::pair<std::string, FileCategory>> files = {
        {"a.mp4", FileCategory::Video},      {"b.mp3", FileCategory::Audio},        {"c.png", FileCategory::Images},
        {"d.pdf", FileCategory::Documents},  {"e.iso", FileCategory::Archives},     {"f.deb", FileCategory::Packages},
        {"g.cpp", FileCategory::SourceCode}, {"libh.so.6", FileCategory::Programs}, {"i.zzq", FileCategory::Other},
        {"NOTES", FileCategory::Other},
    };
    for (const auto& [name, category] : files)
        tree.File(name, 1000);
    Open(1000, 400);
    const QImage byDepth = GrabImage(*view);
    ColourBy(EColourBy::Type);
    for (const auto& [name, category] : files) {
        const CEntry* pEntry = Child(root, name);
        ASSERT_NE(pEntry, nullptr) << name;
        EXPECT_EQ(FillOf(name), CLensColour::Shade(CLensColour::CategoryColour(category), pEntry->GetColour())) << name;
    }
    ColourBy(EColourBy::Depth);
    EXPECT_EQ(GrabImage(*view), byDepth);
}

// Coloured by age, the newest file takes the gradient's first step and the oldest its
// last; the steps between follow the age; and hovering tells the age on the status bar.
TEST_F(LensColourTest, FilesAreColouredAlongTheGradientByTheirAge)
{
    const std::vector<std::pair<std::string, std::int64_t>> ages = {
        {"a-now", 0},
        {"b-2-days", 2 * kDay},
        {"c-10-days", 10 * kDay},
        {"d-2-months", 60 * kDay},
        {"e-7-months", 200 * kDay},
        {"f-2-years", 730 * kDay},
        {"g-9-years", 3300 * kDay},
    };
    for (const auto& [name, nAgo] : ages) {
        tree.File(name, 1000);
        SetModified(name, nAgo);
    }
    Open(1000, 300);
    ColourBy(EColourBy::Age);
    int nLastStep = -1;
    for (const auto& [name, nAgo] : ages) {
        const int nStep = StepOf(name);
        ASSERT_GE(nStep, 0) << name << " is painted in a colour of the gradient";
        EXPECT_GT(nStep, nLastStep) << name << " is older than the one before";
        nLastStep = nStep;
        if (nAgo == 0) {
            EXPECT_EQ(nStep, 0) << "the newest file";
        }
    }
    EXPECT_EQ(nLastStep, static_cast<int>(CLensColour::kAgeSteps) - 1) << "the oldest file";

    // A refresh scales the ages afresh: the newest file, made the oldest, takes the last
    // step, and the next newest the first.
    SetModified("a-now", 9000 * kDay);
    doc->SetSelected(root);
    doc->OnRefresh();
    root = doc->GetRoot();
    EXPECT_EQ(StepOf("a-now"), static_cast<int>(CLensColour::kAgeSteps) - 1);
    EXPECT_EQ(StepOf("b-2-days"), 0);
}
