#pragma once
// The appearance builder: font, size, colour and decoration choices for the body, the header row,
// the alternate row and the links of the generated pages, turned into a small stylesheet that the
// user saves as a .css file. It is a window of its own, never modal, and deletes itself when closed.

#include <QColor>
#include <QWidget>

#include <array>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class UpDown;

class frmCSSBuilder : public QWidget {
    Q_OBJECT

public:
    // `saveFolder` is where the Save As dialog starts until a file has been saved; empty means
    // the program's data folder (ProgramFolder::dataFolder).
    explicit frmCSSBuilder(const QString& saveFolder = {}, QWidget* parent = nullptr);

    // A colour value with red in bits 0 to 7, green in bits 8 to 15 and blue in bits 16 to 23
    // (higher bits are ignored) as "#RRGGBB" in upper-case hexadecimal.
    static QString ColorToHTML(qint32 color);
    // `color` as such a value.
    static qint32 ColorValue(const QColor& color);
    // The font-family value for a font name.
    static QString FontFamilyValue(const QString& name);
    // The font-size value for the text of a size box.
    static QString FontSizeValue(const QString& size);

    // The colour the colour dialog starts at: black until a colour was chosen, then the last one.
    QColor LastColor() const { return m_lastColor; }

signals:
    // Save As wrote the stylesheet to `path`; whoever opened the builder makes it the site's
    // stylesheet.
    void stylesheetSaved(const QString& path);
    // Generate put a new stylesheet into the text box: `css` is its text as Save As writes it.
    void stylesheetGenerated(const QByteArray& css);

private:
    // The controls of one item's page.
    struct ItemPage {
        QString Entry;      // the item list's text
        QString Selector;   // the start of its rule, brace included
        QWidget* Page = nullptr;
        QComboBox* Font = nullptr;
        QLineEdit* Size = nullptr;
        UpDown* SizeUpDown = nullptr;
        QLineEdit* Color = nullptr;
        QCheckBox* Bold = nullptr;
        QCheckBox* Italic = nullptr;
        QCheckBox* Underline = nullptr;
        QLineEdit* Background = nullptr;
    };

    // Construction of the window (frmCSSBuilder_ui.cpp).
    void setupUi();
    QWidget* buildItemPage(int index);
    QWidget* buildLinkFrame(const QString& caption, const char* frameName, const char* boxName,
                            const char* buttonName, const char* checkName, QLineEdit*& box,
                            QCheckBox*& check);
    QLineEdit* colorRow(QGridLayout* grid, int row, const QString& caption, const char* boxName,
                        const char* buttonName, QWidget* parent);

    void onItemSelected(const QString& text);
    void chooseColor(QLineEdit* box);
    void onSizeEdited(int index);
    void onGenerate();
    void onSaveAs();
    // The stylesheet the current choices give, lines ending with CR LF.
    QString buildStylesheet() const;

    QString m_saveFolder;
    QString m_lastSaved;
    QColor m_lastColor = Qt::black;
    std::array<ItemPage, 4> m_items;

    QListWidget* lstTags = nullptr;
    QStackedWidget* m_pages = nullptr;
    QLineEdit* Text14 = nullptr;
    QLineEdit* Text15 = nullptr;
    QCheckBox* Check13 = nullptr;
    QCheckBox* Check14 = nullptr;
    QPlainTextEdit* Text1 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
};
