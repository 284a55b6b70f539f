// Construction of the stylesheet editor: the three tabs, their controls, and the two colour pictures.
// Behaviour lives in frmCSS.cpp.
#include "stylesheet/frmCSS.h"

#include "dialogs/NamedWidgets.h"

#include "stylesheet/ColorPicture.h"

#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <QWebEngineView>

#include <cmath>

namespace {

QFrame* swatch(const char* name, QWidget* parent)
{
    auto* f = named(new QFrame(parent), name);
    f->setFrameShape(QFrame::Box);
    f->setAutoFillBackground(true);
    f->setFixedSize(64, 40);
    return f;
}

// Only the property name is edited in the list; values are edited in the value box.
class NameOnlyDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        if (index.column() != 0)
            return nullptr;
        return QStyledItemDelegate::createEditor(parent, option, index);
    }
};

// Colour cells of the standard grid per row: a row of strong hues, the 216 colours every browser
// shows alike (six blocks of six by six), and a row of greys from black to white.
constexpr int kGridColumns = 18;
constexpr int kGridRows = 14;

QColor standardCell(int column, int row)
{
    static const QRgb hues[kGridColumns] = {
        0xFF0000, 0xFF8000, 0xFFFF00, 0x80FF00, 0x00FF00, 0x00FF80, 0x00FFFF, 0x0080FF, 0x0000FF,
        0x8000FF, 0xFF00FF, 0xFF0080, 0x800000, 0x808000, 0x008000, 0x008080, 0x000080, 0x800080,
    };
    if (row == 0)
        return QColor(hues[column]);
    if (row == kGridRows - 1)
        return QColor(column * 15, column * 15, column * 15);
    const int r = (column / 6) + 3 * ((row - 1) / 6);
    const int g = (row - 1) % 6;
    const int b = column % 6;
    return QColor(r * 51, g * 51, b * 51);
}

}  // namespace

void frmCSS::setupUi()
{
    setObjectName(QStringLiteral("frmCSS"));
    setModal(true);
    resize(720, 520);

    auto* outer = new QVBoxLayout(this);
    SSTab1 = named(new QTabWidget(this), "SSTab1");
    SSTab1->addTab(buildEditTab(), QStringLiteral("Edit code"));
    SSTab1->addTab(buildColorTab(), QStringLiteral("Color Picker"));
    SSTab1->addTab(buildPreviewTab(), QStringLiteral("Preview"));
    outer->addWidget(SSTab1);
}

QWidget* frmCSS::buildEditTab()
{
    auto* tab = new QWidget(this);
    auto* grid = new QGridLayout(tab);

    tvCSS = named(new QTreeWidget(tab), "tvCSS");
    tvCSS->setHeaderHidden(true);
    tvCSS->setColumnCount(1);
    tvCSS->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    tvCSS->setExpandsOnDoubleClick(false);

    lvProps = named(new QTreeWidget(tab), "lvProps");
    lvProps->setColumnCount(2);
    lvProps->setHeaderLabels({QStringLiteral("Property"), QStringLiteral("Value")});
    lvProps->setRootIsDecorated(false);
    lvProps->setItemDelegate(new NameOnlyDelegate(lvProps));
    lvProps->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
    lvProps->header()->resizeSection(0, 180);

    auto* valueLabel = new QLabel(QStringLiteral("Value:"), tab);
    txData = named(new QLineEdit(tab), "txData");
    valueLabel->setBuddy(txData);

    cmNew = namedButton("cmNew", QStringLiteral("&New"), tab);
    cmRem = namedButton("cmRem", QStringLiteral("&Remove"), tab);
    cmNewProp = namedButton("cmNewProp", QStringLiteral("New &Property"), tab);
    Command1 = namedButton("Command1", QStringLiteral("Remove Propert&y"), tab);
    cmOK = namedButton("cmOK", QStringLiteral("OK"), tab);
    cmNo = namedButton("cmNo", QStringLiteral("Cancel"), tab);

    // The buttons keep a character's width of room either side of their captions.
    for (QPushButton* button : {cmNew, cmRem, cmNewProp, Command1, cmOK, cmNo})
        button->setMinimumWidth(button->sizeHint().width() + 2 * button->fontMetrics().averageCharWidth());

    auto* ruleButtons = new QHBoxLayout;
    ruleButtons->addWidget(cmNew);
    ruleButtons->addWidget(cmRem);
    ruleButtons->addStretch();

    auto* valueRow = new QHBoxLayout;
    valueRow->addWidget(valueLabel);
    valueRow->addWidget(txData, 1);

    auto* propButtons = new QHBoxLayout;
    propButtons->addWidget(cmNewProp);
    propButtons->addWidget(Command1);
    propButtons->addStretch();

    auto* closeButtons = new QHBoxLayout;
    closeButtons->addStretch();
    closeButtons->addWidget(cmOK);
    closeButtons->addWidget(cmNo);

    grid->addWidget(tvCSS, 0, 0, 2, 1);
    grid->addLayout(ruleButtons, 2, 0);
    grid->addWidget(lvProps, 0, 1);
    grid->addLayout(valueRow, 1, 1);
    grid->addLayout(propButtons, 2, 1);
    grid->addLayout(closeButtons, 3, 0, 1, 2);
    grid->setColumnStretch(0, 2);
    grid->setColumnStretch(1, 3);
    grid->setRowStretch(0, 1);
    return tab;
}

QImage frmCSS::standardColorsImage() const
{
    // Cells are 210 twips square, so their size in pixels follows the screen's resolution.
    const double cellX = kCellTwips * logicalDpiX() / 1440.0;
    const double cellY = kCellTwips * logicalDpiY() / 1440.0;
    QImage image(int(std::floor(cellX * kGridColumns)), int(std::floor(cellY * kGridRows)),
                 QImage::Format_RGB32);
    QPainter painter(&image);
    for (int row = 0; row < kGridRows; ++row) {
        for (int column = 0; column < kGridColumns; ++column) {
            const QRect cell(QPoint(int(std::floor(column * cellX)), int(std::floor(row * cellY))),
                             QPoint(int(std::floor((column + 1) * cellX)) - 1,
                                    int(std::floor((row + 1) * cellY)) - 1));
            painter.fillRect(cell, standardCell(column, row));
        }
    }
    return image;
}

QImage frmCSS::colorFieldImage() const
{
    // Hue runs from left to right; from top to bottom each hue goes from white through its full
    // colour to black, so every colour of the screen is near some point of the field.
    const QSize size = standardColorsImage().size();
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        const double lightness = 1.0 - double(y) / (size.height() - 1);
        for (int x = 0; x < size.width(); ++x) {
            const double hue = double(x) / size.width();
            image.setPixelColor(x, y, QColor::fromHslF(float(hue), 1.0f, float(lightness)));
        }
    }
    return image;
}

QWidget* frmCSS::buildColorTab()
{
    auto* tab = new QWidget(this);
    auto* grid = new QGridLayout(tab);

    pStan = named(new ColorPicture(standardColorsImage(), tab), "pStan");
    pHolder = named(new ColorPicture(colorFieldImage(), tab), "pHolder");
    pPrev = swatch("pPrev", tab);
    pPrev2 = swatch("pPrev2", tab);
    lbHex = named(new QLabel(tab), "lbHex");
    QFont hexFont = lbHex->font();
    hexFont.setBold(true);
    hexFont.setPointSizeF(hexFont.pointSizeF() * 1.4);
    lbHex->setFont(hexFont);
    lbHex->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lbRGB = named(new QLabel(tab), "lbRGB");
    lbRGB->setMinimumHeight(lbRGB->fontMetrics().lineSpacing() * 3);
    lbRGB->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Command3 = namedButton("Command3", QStringLiteral("&Copy"), tab);
    lblCopied = named(new QLabel(tab), "lblCopied");

    auto* side = new QVBoxLayout;
    side->addWidget(new QLabel(QStringLiteral("Chosen color:"), tab));
    side->addWidget(pPrev);
    side->addWidget(lbHex);
    side->addWidget(lbRGB);
    side->addWidget(Command3, 0, Qt::AlignLeft);
    side->addWidget(lblCopied);
    side->addSpacing(12);
    side->addWidget(new QLabel(QStringLiteral("Under the pointer:"), tab));
    side->addWidget(pPrev2);
    side->addStretch();

    grid->addWidget(new QLabel(QStringLiteral("Standard colors:"), tab), 0, 0);
    grid->addWidget(pStan, 1, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addWidget(new QLabel(QStringLiteral("Color field:"), tab), 2, 0);
    grid->addWidget(pHolder, 3, 0, Qt::AlignLeft | Qt::AlignTop);
    grid->addLayout(side, 0, 1, 4, 1);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(3, 1);
    return tab;
}

QWidget* frmCSS::buildPreviewTab()
{
    auto* tab = new QWidget(this);
    auto* layout = new QVBoxLayout(tab);
    layout->setContentsMargins(0, 0, 0, 0);
    IE1 = named(new QWebEngineView(tab), "IE1");
    layout->addWidget(IE1);
    return tab;
}
