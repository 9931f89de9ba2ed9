#include "app/Snapshot.h"
#include "support/TempTree.h"

#include <QImage>
#include <gtest/gtest.h>

TEST(Snapshot, ArgumentsAreReadOrRefusedClearly)
{
    QString error;
    EXPECT_FALSE(ParseSnapshotArguments({"volra", "/home"}, error).has_value()) << "no snapshot asked";

    auto r = ParseSnapshotArguments({"volra", "--snapshot", "/srv", "--mode", "block", "--size", "640x480",
                                     "--output", "/tmp/x.png"}, error);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(r->path, "/srv");
    EXPECT_EQ(r->size, QSize(640, 480));
    EXPECT_EQ(r->output, "/tmp/x.png");
    EXPECT_FALSE(r->tree);
    r = ParseSnapshotArguments({"volra", "--snapshot", "/srv", "--mode", "list", "--tree", "--output", "a.png"}, error);
    ASSERT_TRUE(r.has_value());
    EXPECT_TRUE(error.isEmpty()) << error.toStdString();
    EXPECT_EQ(r->mode, "list");
    EXPECT_TRUE(r->tree);

    const QList<QStringList> bad = {
        {"volra", "--snapshot", "/srv", "--size", "640", "--output", "a.png"},
        {"volra", "--snapshot", "/srv", "--size", "0x10", "--output", "a.png"},
        {"volra", "--snapshot", "/srv", "--mode", "spider", "--output", "a.png"},
        {"volra", "--snapshot", "/srv"},
        {"volra", "--snapshot", "/srv", "--output"},
        {"volra", "--snapshot", "/srv", "--bogus", "--output", "a.png"},
    };
    for (const QStringList& args : bad) {
        error.clear();
        ParseSnapshotArguments(args, error);
        EXPECT_FALSE(error.isEmpty()) << args.join(' ').toStdString();
    }
}

TEST(Snapshot, WritesThePictureOrFailsWithAnExitCode)
{
    TempTree t;
    t.File("big", 3000);
    t.File("d/small", 1000);
    CSnapshotRequest request;
    request.path = QString::fromStdString(t.Root());
    request.size = QSize(320, 200);
    request.output = QString::fromStdString(t.Path("shot.png"));
    ASSERT_EQ(RunSnapshot(request), 0);
    QImage image(request.output);
    ASSERT_EQ(image.size(), QSize(320, 200));
    EXPECT_NE(image.pixel(5, 100), image.pixel(300, 100)) << "blocks, not an empty picture";
    request.mode = QStringLiteral("list");
    request.tree = true;
    ASSERT_EQ(RunSnapshot(request), 0);
    EXPECT_EQ(QImage(request.output).size(), QSize(320, 200));

    request.path = QString::fromStdString(t.Path("missing"));
    EXPECT_EQ(RunSnapshot(request), 1);
    request.path = QString::fromStdString(t.Root());
    request.output = QString::fromStdString(t.Path("no/such/dir/shot.png"));
    EXPECT_EQ(RunSnapshot(request), 1);
}
