#include <QApplication>

#include <gtest/gtest.h>

// The tests draw real widgets; the offscreen platform needs no display and renders the same
// everywhere.
int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
