#include "stylesheet/frmCSS.h"

#include "common/ProgramFolder.h"
#include "common/SafeFile.h"
#include "dialogs/UserDialogs.h"
#include "stylesheet/ColorPicture.h"

#include <QAbstractItemDelegate>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStyle>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWebEngineView>

#include <cmath>

namespace {

constexpr int kRuleIdRole = Qt::UserRole;
constexpr int kCategoryRole = Qt::UserRole + 1;
constexpr int kPreviewTab = 2;

// The names of the preview's files in its temporary folder.
const QString kPreviewPageName = QStringLiteral("tmpcss.html");
const QString kPreviewSheetName = QStringLiteral("stylesheet.css");

// The sample page's relative picture addresses ("templates/up.gif") name files of the program
// folder; the page is shown from the temporary folder, so they are made absolute.
QString withProgramFolderPictures(const QString& page, const QString& programFolder)
{
    const QUrl folder = QUrl::fromLocalFile(Stylesheet::FullPath(programFolder, QString()));
    static const QRegularExpression src(QStringLiteral("(\\bsrc=\")([^\"]*)(\")"),
                                        QRegularExpression::CaseInsensitiveOption);
    QString out;
    qsizetype at = 0;
    auto it = src.globalMatch(page);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        const QUrl target(m.captured(2));
        if (!target.isRelative() || m.captured(2).startsWith(u'/') || m.captured(2).isEmpty())
            continue;
        out += page.mid(at, m.capturedStart(2) - at);
        out += folder.resolved(target).toString(QUrl::FullyEncoded).toHtmlEscaped();
        at = m.capturedEnd(2);
    }
    return out + page.mid(at);
}

void setSwatch(QFrame* frame, const QColor& color)
{
    QPalette pal = frame->palette();
    pal.setColor(QPalette::Window, color);
    frame->setPalette(pal);
}

}  // namespace

frmCSS::frmCSS(const QString& programFolder, QWidget* parent)
    : QDialog(parent),
      m_programFolder(programFolder.isEmpty() ? ProgramFolder::dataFolder() : programFolder),
      m_sheet(m_programFolder)
{
    setupUi();

    connect(tvCSS, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { onNodeSelected(item); });
    connect(tvCSS, &QTreeWidget::itemChanged, this, &frmCSS::onNodeRenamed);
    connect(tvCSS, &QTreeWidget::itemDoubleClicked, this, [this] { lvProps->setFocus(); });
    connect(cmNew, &QPushButton::clicked, this, &frmCSS::onNewRule);
    connect(cmRem, &QPushButton::clicked, this, &frmCSS::onRemoveRule);
    connect(cmNewProp, &QPushButton::clicked, this, &frmCSS::onNewProperty);
    connect(Command1, &QPushButton::clicked, this, &frmCSS::onRemoveProperty);
    connect(cmOK, &QPushButton::clicked, this, &frmCSS::onOK);
    connect(cmNo, &QPushButton::clicked, this, &QDialog::reject);
    connect(lvProps->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            &frmCSS::onPropertyEditClosed);
    connect(lvProps, &QTreeWidget::itemChanged, this, &frmCSS::onPropertyChanged);
    connect(lvProps, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { onPropertyClicked(item); });
    connect(lvProps, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* item) { onPropertyClicked(item); });
    connect(lvProps, &QTreeWidget::itemDoubleClicked, this, [this] { txData->setFocus(); });
    connect(txData, &QLineEdit::returnPressed, this, &frmCSS::onValueEntered);
    connect(SSTab1, &QTabWidget::currentChanged, this, &frmCSS::onTabChanged);

    connect(pStan, &ColorPicture::pointerMoved, this, &frmCSS::onStandardMoved);
    connect(pStan, &ColorPicture::pressed, this, &frmCSS::onStandardPressed);
    connect(pHolder, &ColorPicture::pointerMoved, this, &frmCSS::onFieldMoved);
    connect(pHolder, &ColorPicture::released, this, &frmCSS::onFieldReleased);
    connect(Command3, &QPushButton::clicked, this, &frmCSS::onCopy);

    choose(m_chosen);
    setSwatch(pPrev2, palette().color(QPalette::Window));
}

frmCSS::~frmCSS() = default;

// ---- Opening -------------------------------------------------------------------------------------

void frmCSS::setStylesheetPath(const QString& path)
{
    {
        const QSignalBlocker blockTabs(SSTab1);
        SSTab1->setCurrentIndex(0);
    }
    m_sheet.setPath(path);
    setWindowTitle(path);
    QString error;
    const bool loaded = m_sheet.LoadCSSData(&error);
    fillTree();
    if (!loaded) {
        showMessage(this,
                    QStringLiteral("The stylesheet %1 cannot be read:\n%2")
                        .arg(QDir::toNativeSeparators(m_sheet.FilePath()), error),
                    MessageIcon::Exclamation);
    }
}

int frmCSS::openModal(const QString& path)
{
    setStylesheetPath(path);
    return UserDialogs::current().exec(*this);
}

QString frmCSS::SamplePage() const
{
    return Stylesheet::FullPath(m_programFolder, QStringLiteral("cssview.html"));
}

QString frmCSS::PreviewPage() const
{
    return m_previewDir ? m_previewDir->filePath(kPreviewPageName) : QString();
}

QString frmCSS::PreviewStylesheet() const
{
    return m_previewDir ? m_previewDir->filePath(kPreviewSheetName) : QString();
}

void frmCSS::fillTree()
{
    m_filling = true;
    tvCSS->clear();
    lvProps->clear();
    txData->clear();
    m_selectedRule = 0;
    const QIcon categoryIcon = style()->standardIcon(QStyle::SP_DirIcon);
    for (const StylesheetCategory& category : Stylesheet::Categories()) {
        auto* item = new QTreeWidgetItem(tvCSS, {category.Caption});
        item->setData(0, kCategoryRole, category.Key);
        item->setData(0, kRuleIdRole, 0);
        item->setIcon(0, categoryIcon);
        // A category cannot be renamed.
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
        item->setExpanded(category.Key == QStringLiteral("tags"));
    }
    for (const CssRule& rule : m_sheet.Rules())
        addRuleItem(rule);
    tvCSS->setCurrentItem(nullptr);
    m_filling = false;
}

QTreeWidgetItem* frmCSS::categoryItem(const QString& key) const
{
    for (int i = 0; i < tvCSS->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = tvCSS->topLevelItem(i);
        if (item->data(0, kCategoryRole).toString() == key)
            return item;
    }
    return nullptr;
}

QTreeWidgetItem* frmCSS::addRuleItem(const CssRule& rule)
{
    const bool filling = m_filling;
    m_filling = true;
    auto* item = new QTreeWidgetItem(categoryItem(rule.Category), {rule.DisplayName});
    item->setData(0, kRuleIdRole, rule.Id);
    item->setIcon(0, style()->standardIcon(QStyle::SP_FileIcon));
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable);
    m_filling = filling;
    return item;
}

// ---- Edit code tab -------------------------------------------------------------------------------

void frmCSS::onNodeSelected(QTreeWidgetItem* item)
{
    if (m_filling)
        return;
    m_filling = true;
    lvProps->clear();
    txData->clear();
    m_selectedRule = item ? item->data(0, kRuleIdRole).toInt() : 0;
    if (const CssRule* rule = m_sheet.Rule(m_selectedRule)) {
        for (const CssProperty& p : Stylesheet::SplitRule(rule->RuleText)) {
            auto* row = new QTreeWidgetItem(lvProps, {p.Name, p.Value});
            row->setFlags(row->flags() | Qt::ItemIsEditable);
        }
    }
    m_filling = false;
}

void frmCSS::onNodeRenamed(QTreeWidgetItem* item, int column)
{
    if (m_filling || column != 0)
        return;
    const int id = item->data(0, kRuleIdRole).toInt();
    const CssRule* rule = m_sheet.Rule(id);
    if (!rule) {
        // Categories keep their captions.
        const QSignalBlocker block(tvCSS);
        item->setText(0, Stylesheet::CategoryCaption(item->data(0, kCategoryRole).toString()));
        return;
    }
    const QString name = item->text(0).trimmed();
    if (name == rule->DisplayName)
        return;
    if (name.isEmpty()) {
        // A rule without a selector would be dropped by every browser: keep the old name.
        const QSignalBlocker block(tvCSS);
        item->setText(0, rule->DisplayName);
        return;
    }
    m_sheet.SetDisplayName(id, name);
    // The rule text follows the new name at once, so a renamed rule is saved under it even when
    // its properties are never touched.
    if (id == m_selectedRule) {
        rebuildSelectedRule();
    } else {
        m_sheet.SetRuleText(id, Stylesheet::RebuildRule(name, Stylesheet::SplitRule(rule->RuleText)));
    }
}

void frmCSS::onNewRule()
{
    QTreeWidgetItem* current = tvCSS->currentItem();
    QString category = QStringLiteral("tags");
    if (current) {
        QTreeWidgetItem* top = current->parent() ? current->parent() : current;
        category = top->data(0, kCategoryRole).toString();
    }
    const int id = m_sheet.AddRule(category, Stylesheet::NewRuleName(category));
    QTreeWidgetItem* item = addRuleItem(*m_sheet.Rule(id));
    item->parent()->setExpanded(true);
    tvCSS->setCurrentItem(item);
    tvCSS->setFocus();
    tvCSS->editItem(item, 0);
}

void frmCSS::onRemoveRule()
{
    QTreeWidgetItem* current = tvCSS->currentItem();
    if (current && !current->parent()) {
        showMessage(this,
                    QStringLiteral("You cannot 'remove' a category. Select the tag\n"
                                   "you want to remove, and then click 'Remove'."),
                    MessageIcon::Information);
    } else if (current) {
        m_sheet.RemoveRule(current->data(0, kRuleIdRole).toInt());
        delete current;
    }
    tvCSS->setFocus();
}

void frmCSS::onNewProperty()
{
    if (!m_sheet.Rule(m_selectedRule))
        return;
    auto* row = new QTreeWidgetItem({QStringLiteral("property-name"), QString()});
    row->setFlags(row->flags() | Qt::ItemIsEditable);
    {
        const QSignalBlocker block(lvProps);
        lvProps->addTopLevelItem(row);
    }
    lvProps->setCurrentItem(row);
    rebuildSelectedRule();
    lvProps->setFocus();
    lvProps->editItem(row, 0);
}

void frmCSS::onPropertyEditClosed()
{
    if (QTreeWidgetItem* row = lvProps->currentItem()) {
        txData->setText(row->text(1));
        txData->setFocus();
    }
}

void frmCSS::onPropertyChanged(QTreeWidgetItem*, int)
{
    if (!m_filling)
        rebuildSelectedRule();
}

void frmCSS::onPropertyClicked(QTreeWidgetItem* item)
{
    if (!m_filling && item)
        txData->setText(item->text(1));
}

void frmCSS::onValueEntered()
{
    lvProps->setFocus();
    if (QTreeWidgetItem* row = lvProps->currentItem())
        row->setText(1, txData->text());
}

void frmCSS::onRemoveProperty()
{
    if (QTreeWidgetItem* row = lvProps->currentItem()) {
        {
            const QSignalBlocker block(lvProps);
            delete row;
        }
        rebuildSelectedRule();
        if (QTreeWidgetItem* next = lvProps->currentItem())
            txData->setText(next->text(1));
        else
            txData->clear();
    }
    lvProps->setFocus();
}

void frmCSS::rebuildSelectedRule()
{
    const CssRule* rule = m_sheet.Rule(m_selectedRule);
    if (!rule)
        return;
    QList<CssProperty> properties;
    for (int i = 0; i < lvProps->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* row = lvProps->topLevelItem(i);
        properties.append({row->text(0).trimmed(), row->text(1).trimmed()});
    }
    m_sheet.SetRuleText(m_selectedRule, Stylesheet::RebuildRule(rule->DisplayName, properties));
}

bool frmCSS::saveStylesheet()
{
    QString error;
    if (m_sheet.Save(&error))
        return true;
    showMessage(this,
                QStringLiteral("The stylesheet could not be saved to %1:\n%2")
                    .arg(QDir::toNativeSeparators(m_sheet.FilePath()), error),
                MessageIcon::Critical);
    return false;
}

void frmCSS::onOK()
{
    // A failed write keeps the window open with every edit, so the user can try again.
    if (!saveStylesheet())
        return;
    emit stylesheetShown(m_sheet.FileBytes());
    accept();
}

// ---- Color Picker tab ----------------------------------------------------------------------------

QString frmCSS::GetHexVal(const QColor& color)
{
    return QStringLiteral("#%1%2%3")
        .arg(color.red(), 2, 16, QLatin1Char('0'))
        .arg(color.green(), 2, 16, QLatin1Char('0'))
        .arg(color.blue(), 2, 16, QLatin1Char('0'))
        .toUpper();
}

QString frmCSS::GetClrRGBVal(const QColor& color, const QString& delimiter)
{
    return QStringLiteral("Red: ") + QString::number(color.red()) + delimiter +
           QStringLiteral("Green: ") + QString::number(color.green()) + delimiter +
           QStringLiteral("Blue: ") + QString::number(color.blue());
}

QRect frmCSS::cellAt(const QPoint& pos) const
{
    // The pointer is taken in twips and snapped down to the 210-twip cell it lies in.
    const double twipsX = 1440.0 / pStan->logicalDpiX();
    const double twipsY = 1440.0 / pStan->logicalDpiY();
    const int left = (int(std::lround(pos.x() * twipsX)) / kCellTwips) * kCellTwips;
    const int top = (int(std::lround(pos.y() * twipsY)) / kCellTwips) * kCellTwips;
    return QRectF(left / twipsX, top / twipsY, kCellTwips / twipsX, kCellTwips / twipsY).toRect();
}

void frmCSS::choose(const QColor& color)
{
    m_chosen = color;
    lbHex->setText(GetHexVal(color));
    lbRGB->setText(GetClrRGBVal(color, QStringLiteral("\r\n")));
    setSwatch(pPrev, color);
}

void frmCSS::onStandardMoved(const QPoint& pos)
{
    pStan->setHoverFrame(cellAt(pos));
    if (const auto color = pStan->colorAt(pos))
        setSwatch(pPrev2, *color);
    pHolder->setCrossHair(std::nullopt);
}

void frmCSS::onStandardPressed(const QPoint& pos)
{
    pStan->setSelectionFrame(cellAt(pos));
    pStan->repaint();
    if (const auto color = pStan->colorAt(pos))
        choose(*color);
}

void frmCSS::onFieldMoved(const QPoint& pos)
{
    pStan->setHoverFrame(std::nullopt);
    pHolder->setCrossHair(pos);
    if (const auto color = pHolder->colorAt(pos))
        setSwatch(pPrev2, *color);
}

void frmCSS::onFieldReleased(const QPoint& pos)
{
    if (const auto color = pHolder->colorAt(pos)) {
        choose(*color);
        pHolder->setCrossHair(pos);
    }
}

void frmCSS::onCopy()
{
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->clear();
    clipboard->setText(lbHex->text());
    lblCopied->setText(QStringLiteral("Color copied to clipboard"));
}

// ---- Preview tab ---------------------------------------------------------------------------------

void frmCSS::onTabChanged(int index)
{
    if (index == kPreviewTab)
        showPreview();
    else
        lvProps->setFocus();
}

void frmCSS::showPreview()
{
    const QString path = m_sheet.Path();
    if (Stylesheet::Ext(path) != QStringLiteral("css")) {
        // Not a lower-case .css name: the browser shows the file itself.
        IE1->load(QUrl::fromLocalFile(m_sheet.FilePath()));
        IE1->setFocus();
        return;
    }

    // The preview shows the rules as OK would write them, from a copy in a folder of its own: the
    // stylesheet itself is written only by OK, and the program folder may be read-only.
    if (!m_previewDir)
        m_previewDir = std::make_unique<QTemporaryDir>(QDir::tempPath() + QStringLiteral("/quillmere-preview-XXXXXX"));
    if (!m_previewDir->isValid()) {
        showPreviewProblem(QStringLiteral("The preview needs a temporary folder, which could not be made: %1")
                               .arg(m_previewDir->errorString()));
        m_previewDir.reset();
        return;
    }

    QFile sample(SamplePage());
    if (!sample.open(QIODevice::ReadOnly)) {
        showPreviewProblem(QStringLiteral("The preview shows the sample page cssview.html with this stylesheet, "
                                          "but %1 cannot be read: %2. Put cssview.html back in the program "
                                          "folder (reinstalling Quillmere does that).")
                               .arg(QDir::toNativeSeparators(SamplePage()), sample.errorString()));
        return;
    }
    QString page = QString::fromUtf8(sample.readAll());
    page.replace(QStringLiteral("foobar.css"), kPreviewSheetName);
    page = withProgramFolderPictures(page, m_programFolder);

    QString error = writeWholeFile(PreviewStylesheet(), m_sheet.FileBytes());
    if (error.isEmpty())
        error = writeWholeFile(PreviewPage(), (page + QStringLiteral("\r\n")).toUtf8());
    if (!error.isEmpty()) {
        showPreviewProblem(QStringLiteral("The preview could not be written to the temporary folder %1: %2")
                               .arg(QDir::toNativeSeparators(m_previewDir->path()), error));
        return;
    }
    emit stylesheetShown(m_sheet.FileBytes());

    const QUrl url = QUrl::fromLocalFile(PreviewPage());
    // The page's address does not change between previews; reloading past the cache makes the
    // browser read the stylesheet again.
    if (IE1->url() == url)
        IE1->triggerPageAction(QWebEnginePage::ReloadAndBypassCache);
    else
        IE1->load(url);
    IE1->setFocus();
}

void frmCSS::showPreviewProblem(const QString& text)
{
    const QString html = QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>No preview</title>"
                                        "</head><body style=\"font-family:sans-serif;margin:2em\">"
                                        "<h1 style=\"font-size:1.3em\">No preview</h1><p>%1</p></body></html>")
                             .arg(text.toHtmlEscaped());
    IE1->setHtml(html);
    IE1->setFocus();
}
