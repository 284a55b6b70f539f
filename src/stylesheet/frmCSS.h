#pragma once
// The stylesheet editor: the rules of a .css file as a tree of categories and rules with their
// properties, a colour picker that yields HTML colour codes, and a preview of a sample page styled
// by the edited rules. OK writes the file; Cancel leaves without writing. The preview writes only
// into a temporary folder of its own: a copy of the edited stylesheet and the sample page.

#include "stylesheet/Stylesheet.h"

#include <QColor>
#include <QDialog>

#include <memory>

class ColorPicture;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QTemporaryDir;
class QTreeWidget;
class QTreeWidgetItem;
class QWebEngineView;

class frmCSS : public QDialog {
    Q_OBJECT

public:
    // `programFolder` holds cssview.html and is where a bare stylesheet name lives; empty means
    // the program's data folder (ProgramFolder::dataFolder). Nothing is written there but the
    // stylesheet on OK.
    explicit frmCSS(const QString& programFolder = {}, QWidget* parent = nullptr);
    ~frmCSS() override;

    // Points the editor at a stylesheet and loads it afresh: a bare file name means a file in the
    // program folder, and a file that does not exist yet opens with the three empty categories.
    void setStylesheetPath(const QString& path);
    const QString& StylesheetPath() const { return m_sheet.Path(); }
    // setStylesheetPath, then shows the window modally through the dialog seam. Returns
    // QDialog::Accepted when OK wrote the file.
    int openModal(const QString& path);

    const Stylesheet& CurrentStylesheet() const { return m_sheet; }
    const QString& ProgramFolder() const { return m_programFolder; }
    // The sample page the preview fills in (in the program folder).
    QString SamplePage() const;
    // The page the preview writes and shows, and the copy of the edited stylesheet it links, both
    // in the preview's temporary folder; empty until the first preview.
    QString PreviewPage() const;
    QString PreviewStylesheet() const;

    QColor ChosenColor() const { return m_chosen; }
    // "#RRGGBB" in upper-case hexadecimal.
    static QString GetHexVal(const QColor& color);
    // "Red: r", delimiter, "Green: g", delimiter, "Blue: b", in decimal.
    static QString GetClrRGBVal(const QColor& color, const QString& delimiter = {});

signals:
    // The preview tab shows the edited rules, or OK wrote them: `css` is the stylesheet's text.
    void stylesheetShown(const QByteArray& css);

private:
    // The standard colours are cells 210 twips (1/1440 inch) square.
    static constexpr int kCellTwips = 210;

    // Construction of the window (frmCSS_ui.cpp).
    void setupUi();
    QWidget* buildEditTab();
    QWidget* buildColorTab();
    QWidget* buildPreviewTab();
    QImage standardColorsImage() const;
    QImage colorFieldImage() const;

    // Edit code tab.
    void fillTree();
    QTreeWidgetItem* addRuleItem(const CssRule& rule);
    QTreeWidgetItem* categoryItem(const QString& key) const;
    void onNodeSelected(QTreeWidgetItem* item);
    void onNodeRenamed(QTreeWidgetItem* item, int column);
    void onNewRule();
    void onRemoveRule();
    void onNewProperty();
    void onPropertyEditClosed();
    void onPropertyChanged(QTreeWidgetItem* item, int column);
    void onPropertyClicked(QTreeWidgetItem* item);
    void onValueEntered();
    void onRemoveProperty();
    void onOK();
    // Writes the selected rule's text from its display name and the property list.
    void rebuildSelectedRule();
    // Writes the stylesheet file; a failure is reported with the file and the reason.
    bool saveStylesheet();

    // Color Picker tab.
    QRect cellAt(const QPoint& pos) const;
    void choose(const QColor& color);
    void onStandardMoved(const QPoint& pos);
    void onStandardPressed(const QPoint& pos);
    void onFieldMoved(const QPoint& pos);
    void onFieldReleased(const QPoint& pos);
    void onCopy();

    // Preview tab.
    void onTabChanged(int index);
    void showPreview();
    // Shows a page in the preview that says why there is no preview.
    void showPreviewProblem(const QString& text);

    QString m_programFolder;
    Stylesheet m_sheet;
    int m_selectedRule = 0;   // id of the rule the property list shows; 0 for none
    bool m_filling = false;   // true while the tree or the list is filled by the program
    QColor m_chosen = Qt::black;

    QTabWidget* SSTab1 = nullptr;
    QTreeWidget* tvCSS = nullptr;
    QTreeWidget* lvProps = nullptr;
    QLineEdit* txData = nullptr;
    QPushButton* cmNew = nullptr;
    QPushButton* cmRem = nullptr;
    QPushButton* cmNewProp = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* cmOK = nullptr;
    QPushButton* cmNo = nullptr;

    ColorPicture* pStan = nullptr;
    ColorPicture* pHolder = nullptr;
    QFrame* pPrev = nullptr;
    QFrame* pPrev2 = nullptr;
    QLabel* lbHex = nullptr;
    QLabel* lbRGB = nullptr;
    QLabel* lblCopied = nullptr;
    QPushButton* Command3 = nullptr;

    QWebEngineView* IE1 = nullptr;
    std::unique_ptr<QTemporaryDir> m_previewDir;   // made by the first preview, removed with the window
};
