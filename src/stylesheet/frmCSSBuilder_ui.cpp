// Construction of the appearance builder: the item list, the four item pages with their font,
// size, colour and decoration controls, the two link frames, and the generated text with its
// buttons. Behaviour lives in frmCSSBuilder.cpp.
#include "stylesheet/frmCSSBuilder.h"

#include "dialogs/NamedWidgets.h"

#include "stylesheet/UpDown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// Object names and captions of one item's page.
struct PageNames {
    const char* entry;
    const char* selector;
    const char* page;
    const char* font;
    const char* size;
    const char* upDown;
    const char* color;
    const char* colorButton;
    const char* bold;
    const char* italic;
    const char* underline;
    const char* background;
    const char* backgroundButton;
    const char* sizeCaption;
    const char* colorCaption;
};

constexpr PageNames kPages[] = {
    {"Body", "BODY { ", "pBody", "cFonts", "Text2", "UpDown1", "Text3", "Command12", "Check1", "Check2",
     "Check3", "Text4", "Command13", "Size:", "Font Color:"},
    {"Header Row", "TR.Header { ", "pHeader", "Combo1", "Text7", "UpDown2", "Text6", "Command10", "Check6",
     "Check5", "Check4", "Text5", "Command11", "Size:", "Font Color"},
    {"Default Row", "TR.TableAltRow { ", "pDefault", "Combo2", "Text8", "UpDown3", "Text9", "Command8", "Check7",
     "Check8", "Check9", "Text10", "Command9", "Size:", "Font Color"},
    {"Links", "A:link { ", "pStrip", "Combo3", "Text13", "UpDown4", "Text12", "Command6", "Check12", "Check11",
     "Check10", "Text11", "Command7", "Size:", "Font Color"},
};

// The size boxes start at this value, and so do their up-down controls.
constexpr int kStartSize = 10;

}  // namespace

void frmCSSBuilder::setupUi()
{
    setObjectName(QStringLiteral("frmCSSBuilder"));
    setWindowTitle(QStringLiteral("CSS Builder"));
    resize(760, 540);

    auto* listLabel = new QLabel(QStringLiteral("On-fly build:"), this);
    lstTags = named(new QListWidget(this), "lstTags");
    lstTags->setMaximumWidth(150);
    listLabel->setBuddy(lstTags);

    m_pages = named(new QStackedWidget(this), "pages");
    for (int i = 0; i < int(m_items.size()); ++i)
        m_pages->addWidget(buildItemPage(i));
    // The list is as wide as its longest entry, with the entries' margins, its frame and room
    // for a vertical scroll bar, so no entry is cut however small the window is made.
    int widest = 0;
    for (const ItemPage& item : m_items)
        widest = std::max(widest, lstTags->fontMetrics().horizontalAdvance(item.Entry));
    const int listWidth = widest + 2 * lstTags->fontMetrics().horizontalAdvance(QLatin1Char('M'))
                          + 2 * lstTags->frameWidth()
                          + lstTags->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, lstTags);
    lstTags->setMinimumWidth(listWidth);
    lstTags->setMaximumWidth(std::max(lstTags->maximumWidth(), listWidth));

    auto* details = named(new QGroupBox(QStringLiteral("Details"), this), "Frame1");
    auto* detailsLayout = new QVBoxLayout(details);
    Text1 = named(new QPlainTextEdit(details), "Text1");
    Text1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Text1->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    detailsLayout->addWidget(Text1);

    Command3 = namedButton("Command3", QStringLiteral("Generate"), this);
    Command1 = namedButton("Command1", QStringLiteral("Save As"), this);
    Command2 = namedButton("Command2", QStringLiteral("Close"), this);

    auto* left = new QVBoxLayout;
    left->addWidget(listLabel);
    left->addWidget(lstTags);

    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(m_pages, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(Command3);
    buttons->addWidget(Command1);
    buttons->addWidget(Command2);

    auto* outer = new QVBoxLayout(this);
    outer->addLayout(top);
    outer->addWidget(details, 1);
    outer->addLayout(buttons);
}

QLineEdit* frmCSSBuilder::colorRow(QGridLayout* grid, int row, const QString& caption, const char* boxName,
                                   const char* buttonName, QWidget* parent)
{
    auto* label = new QLabel(caption, parent);
    auto* box = named(new QLineEdit(parent), boxName);
    box->setMaximumWidth(110);
    label->setBuddy(box);
    auto* pick = namedButton(buttonName, QStringLiteral("..."), parent);
    pick->setToolTip(QStringLiteral("Choose a color"));
    pick->setFixedWidth(32);
    connect(pick, &QPushButton::clicked, this, [this, box] { chooseColor(box); });

    auto* cell = new QHBoxLayout;
    cell->addWidget(box);
    cell->addWidget(pick);
    cell->addStretch();
    grid->addWidget(label, row, 0);
    grid->addLayout(cell, row, 1);
    return box;
}

QWidget* frmCSSBuilder::buildItemPage(int index)
{
    const PageNames& n = kPages[index];
    ItemPage& item = m_items[size_t(index)];
    item.Entry = QString::fromLatin1(n.entry);
    item.Selector = QString::fromLatin1(n.selector);

    auto* page = named(new QWidget(this), n.page);
    item.Page = page;
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);

    // The font box also takes a typed name; it starts empty, as nothing is chosen yet.
    auto* fontLabel = new QLabel(QStringLiteral("Font name:"), page);
    item.Font = named(new QComboBox(page), n.font);
    item.Font->setEditable(true);
    item.Font->setInsertPolicy(QComboBox::NoInsert);
    item.Font->setMinimumWidth(220);
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isPrivateFamily(family))
            item.Font->addItem(family);
    }
    item.Font->setCurrentIndex(-1);
    item.Font->setEditText(QString());
    fontLabel->setBuddy(item.Font);
    grid->addWidget(fontLabel, 0, 0);
    grid->addWidget(item.Font, 0, 1);

    auto* sizeLabel = new QLabel(QString::fromLatin1(n.sizeCaption), page);
    item.Size = named(new QLineEdit(QString::number(kStartSize), page), n.size);
    item.Size->setMaximumWidth(60);
    item.SizeUpDown = named(new UpDown(page), n.upDown);
    item.SizeUpDown->setRange(1, 72);
    item.SizeUpDown->setSingleStep(1);
    item.SizeUpDown->setValue(kStartSize);
    sizeLabel->setBuddy(item.Size);
    auto* sizeCell = new QHBoxLayout;
    sizeCell->setSpacing(0);
    sizeCell->addWidget(item.Size);
    sizeCell->addWidget(item.SizeUpDown);
    sizeCell->addStretch();
    grid->addWidget(sizeLabel, 1, 0);
    grid->addLayout(sizeCell, 1, 1);

    item.Color = colorRow(grid, 2, QString::fromLatin1(n.colorCaption), n.color, n.colorButton, page);

    item.Bold = named(new QCheckBox(QStringLiteral("Bold"), page), n.bold);
    item.Italic = named(new QCheckBox(QStringLiteral("Italic"), page), n.italic);
    item.Underline = named(new QCheckBox(QStringLiteral("U.line"), page), n.underline);
    auto* decorations = new QHBoxLayout;
    decorations->addWidget(item.Bold);
    decorations->addWidget(item.Italic);
    decorations->addWidget(item.Underline);
    decorations->addStretch();
    grid->addLayout(decorations, 3, 1);

    item.Background =
        colorRow(grid, 4, QStringLiteral("Background color:"), n.background, n.backgroundButton, page);

    int next = 5;
    if (index == 3) {
        auto* frames = new QHBoxLayout;
        frames->addWidget(buildLinkFrame(QStringLiteral("Hover"), "fraHover", "Text14", "Command4", "Check13",
                                         Text14, Check13));
        frames->addWidget(buildLinkFrame(QStringLiteral("Visited"), "fraVisited", "Text15", "Command5",
                                         "Check14", Text15, Check14));
        grid->addLayout(frames, next++, 0, 1, 2);
    }
    grid->setRowStretch(next, 1);
    grid->setColumnStretch(1, 1);
    return page;
}

QWidget* frmCSSBuilder::buildLinkFrame(const QString& caption, const char* frameName, const char* boxName,
                                       const char* buttonName, const char* checkName, QLineEdit*& box,
                                       QCheckBox*& check)
{
    auto* frame = named(new QGroupBox(caption, this), frameName);
    auto* grid = new QGridLayout(frame);
    box = colorRow(grid, 0, QStringLiteral("Color:"), boxName, buttonName, frame);
    check = named(new QCheckBox(QStringLiteral("Underline"), frame), checkName);
    grid->addWidget(check, 1, 1);
    return frame;
}
