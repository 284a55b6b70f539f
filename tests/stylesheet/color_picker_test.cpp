// The Color Picker tab: the standard-colour grid with its 210-twip cells, the colour field with its
// cross-hair, the two swatches, the colour texts and Copy.
#include "EditorFixture.h"
#include "stylesheet/ColorPicture.h"

#include <QApplication>
#include <QClipboard>
#include <QFrame>
#include <QLabel>

using namespace qmtest;

namespace {

class ColorPicker : public EditorFixture {
protected:
    ColorPicture* grid = nullptr;
    ColorPicture* field = nullptr;

    void SetUp() override
    {
        EditorFixture::SetUp();
        control<QTabWidget>("SSTab1")->setCurrentIndex(1);
        grid = control<ColorPicture>("pStan");
        field = control<ColorPicture>("pHolder");
    }
    QString text(const char* label) { return control<QLabel>(label)->text(); }
    QColor swatch(const char* name) { return control<QFrame>(name)->palette().color(QPalette::Window); }
    // The first pixel of the grid drawn in `color`.
    QPoint find(const QColor& color)
    {
        const QImage& image = grid->image();
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                if (image.pixelColor(x, y) == color)
                    return {x, y};
            }
        }
        ADD_FAILURE() << "colour not in the grid";
        return {};
    }
};

TEST(ColorTexts, HexAndDecimalComponents)
{
    EXPECT_EQ(frmCSS::GetHexVal(QColor(255, 0, 0)), QStringLiteral("#FF0000"));
    EXPECT_EQ(frmCSS::GetHexVal(QColor(10, 11, 171)), QStringLiteral("#0A0BAB"));
    EXPECT_EQ(frmCSS::GetClrRGBVal(QColor(1, 22, 255)), QStringLiteral("Red: 1Green: 22Blue: 255"));
    EXPECT_EQ(frmCSS::GetClrRGBVal(QColor(1, 22, 255), QStringLiteral(", ")),
              QStringLiteral("Red: 1, Green: 22, Blue: 255"));
}

TEST_F(ColorPicker, PickingFromTheGridShowsTheColourAndFramesItsCell)
{
    ASSERT_EQ(grid->logicalDpiX(), 96);
    // Cells are 14 pixels square at 96 dots per inch; the grid's first cells show it.
    EXPECT_EQ(grid->image().width() % 14, 0);
    EXPECT_NE(grid->image().pixelColor(13, 0), grid->image().pixelColor(14, 0));

    const QPoint orange = find(QColor(255, 128, 0));
    const QRect cell(orange.x() / 14 * 14, orange.y() / 14 * 14, 14, 14);
    ASSERT_EQ(cell.topLeft(), orange);  // the first pixel found is its cell's corner
    const QPoint lastPixel = cell.bottomRight();

    QTest::mouseMove(grid, lastPixel);
    EXPECT_EQ(grid->hoverFrame(), std::optional<QRect>(cell));
    EXPECT_EQ(swatch("pPrev2"), QColor(255, 128, 0));

    QTest::mousePress(grid, Qt::LeftButton, {}, lastPixel);
    EXPECT_EQ(text("lbHex"), QStringLiteral("#FF8000"));
    EXPECT_EQ(text("lbRGB"), QStringLiteral("Red: 255\r\nGreen: 128\r\nBlue: 0"));
    EXPECT_EQ(swatch("pPrev"), QColor(255, 128, 0));
    EXPECT_EQ(grid->selectionFrame(), std::optional<QRect>(cell));
    EXPECT_EQ(editor->ChosenColor(), QColor(255, 128, 0));
    QTest::mouseRelease(grid, Qt::LeftButton, {}, lastPixel);

    // One pixel further right is the next cell.
    QTest::mouseMove(grid, lastPixel + QPoint(1, 0));
    EXPECT_EQ(grid->hoverFrame(), std::optional<QRect>(cell.translated(14, 0)));
    EXPECT_EQ(grid->selectionFrame(), std::optional<QRect>(cell));

    // The picture itself holds no frame, so a click on a framed cell still picks the cell's colour.
    QTest::mousePress(grid, Qt::LeftButton, {}, cell.topLeft());
    EXPECT_EQ(text("lbHex"), QStringLiteral("#FF8000"));
}

TEST_F(ColorPicker, ColourFieldFollowsThePointerAndPicksOnRelease)
{
    const QPoint where(field->width() / 3, field->height() / 2);
    const QColor under = field->image().pixelColor(where);

    QTest::mouseMove(grid, QPoint(3, 3));
    ASSERT_TRUE(grid->hoverFrame().has_value());
    QTest::mouseMove(field, where);
    EXPECT_FALSE(grid->hoverFrame().has_value());
    EXPECT_EQ(field->crossHair(), std::optional<QPoint>(where));
    EXPECT_EQ(swatch("pPrev2"), under);
    EXPECT_NE(text("lbHex"), frmCSS::GetHexVal(under));  // moving picks nothing

    QTest::mousePress(field, Qt::LeftButton, {}, where);
    QTest::mouseRelease(field, Qt::LeftButton, {}, where);
    EXPECT_EQ(text("lbHex"), frmCSS::GetHexVal(under));
    EXPECT_EQ(text("lbRGB"), frmCSS::GetClrRGBVal(under, QStringLiteral("\r\n")));
    EXPECT_EQ(swatch("pPrev"), under);
    EXPECT_EQ(field->crossHair(), std::optional<QPoint>(where));

    // Over the grid the cross-hair goes away.
    QTest::mouseMove(grid, QPoint(20, 20));
    EXPECT_FALSE(field->crossHair().has_value());

    // The field runs from white at the top to black at the bottom.
    EXPECT_EQ(field->image().pixelColor(field->width() / 2, 0), QColor(Qt::white));
    EXPECT_EQ(field->image().pixelColor(field->width() / 2, field->height() - 1), QColor(Qt::black));
}

TEST_F(ColorPicker, CopyPutsTheHexCodeOnTheClipboard)
{
    QApplication::clipboard()->setText(QStringLiteral("something else"));
    QTest::mousePress(grid, Qt::LeftButton, {}, find(QColor(0, 0, 255)));
    EXPECT_TRUE(text("lblCopied").isEmpty());
    click("Command3");
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("#0000FF"));
    EXPECT_EQ(text("lblCopied"), QStringLiteral("Color copied to clipboard"));
}

}  // namespace
