#include "stylesheet/frmCSSBuilder.h"

#include "common/ProgramFolder.h"
#include "common/SafeFile.h"
#include "dialogs/UserDialogs.h"
#include "stylesheet/UpDown.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QStackedWidget>

namespace {

const QString kCrLf = QStringLiteral("\r\n");

}  // namespace

frmCSSBuilder::frmCSSBuilder(const QString& saveFolder, QWidget* parent)
    : QWidget(parent, Qt::Window),
      m_saveFolder(saveFolder.isEmpty() ? ProgramFolder::dataFolder() : saveFolder)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setupUi();

    for (const ItemPage& item : m_items)
        lstTags->addItem(item.Entry);
    lstTags->setCurrentRow(0);
    m_pages->setCurrentWidget(m_items[0].Page);
    Command1->setEnabled(false);

    connect(lstTags, &QListWidget::currentTextChanged, this, &frmCSSBuilder::onItemSelected);
    for (int i = 0; i < int(m_items.size()); ++i) {
        const ItemPage& item = m_items[size_t(i)];
        connect(item.SizeUpDown, &UpDown::valueChanged, item.Size,
                [box = item.Size](int value) { box->setText(QString::number(value)); });
        connect(item.Size, &QLineEdit::textEdited, this, [this, i] { onSizeEdited(i); });
    }
    connect(Command3, &QPushButton::clicked, this, &frmCSSBuilder::onGenerate);
    connect(Command1, &QPushButton::clicked, this, &frmCSSBuilder::onSaveAs);
    connect(Command2, &QPushButton::clicked, this, &QWidget::close);
}

QString frmCSSBuilder::ColorToHTML(qint32 color)
{
    const quint32 value = quint32(color);
    return QStringLiteral("#%1%2%3")
        .arg(value & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((value >> 8) & 0xFF, 2, 16, QLatin1Char('0'))
        .arg((value >> 16) & 0xFF, 2, 16, QLatin1Char('0'))
        .toUpper();
}

qint32 frmCSSBuilder::ColorValue(const QColor& color)
{
    return qint32(quint32(color.red()) | quint32(color.green()) << 8 | quint32(color.blue()) << 16);
}

QString frmCSSBuilder::FontFamilyValue(const QString& name)
{
    // Where one family is installed from several foundries the font list names it
    // "Family [Foundry]"; browsers know the family only.
    static const QRegularExpression foundry(QStringLiteral("\\s*\\[[^\\]]*\\]$"));
    // A single identifier (letters, digits, "-", "_", not starting with a digit) may stand bare:
    // that is also how the generic families (serif, monospace) must be written.
    static const QRegularExpression identifier(
        QStringLiteral("^-?[A-Za-z_\\x{80}-\\x{10FFFF}][A-Za-z0-9_\\-\\x{80}-\\x{10FFFF}]*$"));

    QString family = name.trimmed();
    family.remove(foundry);
    if (family.isEmpty())
        return family;
    // Text that is already quoted, or a list of families, is the user's own CSS.
    if (family.startsWith(u'"') || family.startsWith(u'\'') || family.contains(u','))
        return family;
    if (identifier.match(family).hasMatch())
        return family;
    family.replace(u'\\', QStringLiteral("\\\\"));
    family.replace(u'"', QStringLiteral("\\\""));
    return u'"' + family + u'"';
}

QString frmCSSBuilder::FontSizeValue(const QString& size)
{
    // Browsers ignore a length without a unit in standards mode: a bare number is taken as points.
    static const QRegularExpression number(QStringLiteral("^\\s*(\\d+(?:\\.\\d+)?|\\.\\d+)\\s*$"));
    const QRegularExpressionMatch m = number.match(size);
    if (m.hasMatch())
        return m.captured(1) + QStringLiteral("pt");
    return size;
}

void frmCSSBuilder::onItemSelected(const QString& text)
{
    for (const ItemPage& item : m_items) {
        if (item.Entry == text)
            m_pages->setCurrentWidget(item.Page);
    }
}

void frmCSSBuilder::chooseColor(QLineEdit* box)
{
    // A cancelled dialog leaves the box as it was.
    const std::optional<QColor> chosen = UserDialogs::current().color(this, m_lastColor);
    if (!chosen || !chosen->isValid())
        return;
    m_lastColor = *chosen;
    box->setText(ColorToHTML(ColorValue(*chosen)));
}

void frmCSSBuilder::onSizeEdited(int index)
{
    // A whole number typed into the box becomes the up-down's value, so the arrows step on from
    // what the box shows. The box itself is left as typed.
    const ItemPage& item = m_items[size_t(index)];
    bool ok = false;
    const int typed = item.Size->text().trimmed().toInt(&ok);
    if (!ok || typed < item.SizeUpDown->minimum() || typed > item.SizeUpDown->maximum())
        return;
    const QSignalBlocker quiet(item.SizeUpDown);
    item.SizeUpDown->setValue(typed);
}

// Only the properties that were set are written: a box left empty gives no declaration, and a rule
// left without any is left out.
QString frmCSSBuilder::buildStylesheet() const
{
    const auto isSet = [](const QString& value) { return !value.trimmed().isEmpty(); };
    QString css;
    for (const ItemPage& item : m_items) {
        QStringList values;
        const QString family = FontFamilyValue(item.Font->currentText());
        if (isSet(family))
            values << QStringLiteral("font-family: ") + family;
        if (isSet(item.Size->text()))
            values << QStringLiteral("font-size: ") + FontSizeValue(item.Size->text());
        if (isSet(item.Color->text()))
            values << QStringLiteral("color: ") + item.Color->text();
        QString rule = values.isEmpty() ? QString() : values.join(QStringLiteral("; ")) + u';';
        if (item.Bold->isChecked())
            rule += QStringLiteral("font-weight:bold;");
        if (item.Italic->isChecked())
            rule += QStringLiteral("font-style:italic;");
        if (item.Underline->isChecked())
            rule += QStringLiteral("text-decoration:underline;");
        if (isSet(item.Background->text()))
            rule += QStringLiteral("background-color: ") + item.Background->text();
        if (!rule.isEmpty())
            css += item.Selector + rule + QStringLiteral(" }") + kCrLf;
    }
    const auto linkRule = [&](const QString& selector, const QLineEdit* color, const QCheckBox* underline) {
        QString rule = selector;
        if (isSet(color->text()))
            rule += QStringLiteral("COLOR: ") + color->text() + QStringLiteral("; ");
        rule += QStringLiteral("text-decoration: ");
        rule += underline->isChecked() ? QStringLiteral("underline ") : QStringLiteral("none ");
        return rule + QStringLiteral(" }") + kCrLf;
    };
    css += linkRule(QStringLiteral("A:hover { "), Text14, Check13);
    css += linkRule(QStringLiteral("A:visited { "), Text15, Check14);
    return css;
}

void frmCSSBuilder::onGenerate()
{
    const QString css = buildStylesheet();
    Text1->setPlainText(css);
    Command1->setEnabled(true);
    emit stylesheetGenerated(css.toLocal8Bit());
}

void frmCSSBuilder::onSaveAs()
{
    const QString start = m_lastSaved.isEmpty() ? m_saveFolder : m_lastSaved;
    const QString fileName = UserDialogs::current().saveFileName(
        this, QStringLiteral("Save CSS as..."), start, QStringLiteral("CSS files (*.css)"));
    if (fileName.isEmpty())
        return;

    // The text box keeps lines apart by line feeds alone; the file gets CR LF after every line,
    // and one more after the text, which already ends with a line break.
    QString text = Text1->toPlainText();
    text.replace(kCrLf, QStringLiteral("\n"));
    text.replace(u'\n', kCrLf);
    text += kCrLf;

    // The file is replaced only once the new content is complete, so a failed write (a full disk
    // included) leaves an existing stylesheet as it was.
    const QString error = writeWholeFile(fileName, text.toLocal8Bit());
    if (!error.isEmpty()) {
        showMessage(this,
                    QStringLiteral("The stylesheet could not be saved to %1:\n%2")
                        .arg(QDir::toNativeSeparators(fileName), error),
                    MessageIcon::Critical);
        return;
    }
    m_lastSaved = fileName;
    emit stylesheetSaved(fileName);
}
