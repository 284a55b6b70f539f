// The appearance builder window: its pages, the size arrows, the colour buttons, the text
// "Generate" builds and what "Save As" writes.
#include "BuilderFixture.h"
#include "FullDisk.h"

#include <QApplication>
#include <QDir>
#include <QFontDatabase>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStackedWidget>

using namespace qmtest;

namespace {

// The four item lines and the two link lines with nothing chosen, as the text box shows them: the
// size boxes start at 10, every other box is empty and gives no declaration.
const QStringList kUntouched = {
    QStringLiteral("BODY { font-size: 10pt; }"),
    QStringLiteral("TR.Header { font-size: 10pt; }"),
    QStringLiteral("TR.TableAltRow { font-size: 10pt; }"),
    QStringLiteral("A:link { font-size: 10pt; }"),
    QStringLiteral("A:hover { text-decoration: none  }"),
    QStringLiteral("A:visited { text-decoration: none  }"),
    QString(),
};

TEST(ColorToHTML, ReadsRedGreenBlueFromTheLowBytesUp)
{
    EXPECT_EQ(frmCSSBuilder::ColorToHTML(255), QStringLiteral("#FF0000"));
    EXPECT_EQ(frmCSSBuilder::ColorToHTML(0), QStringLiteral("#000000"));
    EXPECT_EQ(frmCSSBuilder::ColorToHTML(0x0C2238), QStringLiteral("#38220C"));
    // Only the low three bytes count, also for a negative value.
    EXPECT_EQ(frmCSSBuilder::ColorToHTML(qint32(0x80123456)), QStringLiteral("#563412"));
    EXPECT_EQ(frmCSSBuilder::ColorValue(QColor(0x12, 0x34, 0x56)), 0x563412);
}

TEST(FontValues, FamilyNamesWithBlanksAreQuotedAndBareSizesGetPoints)
{
    EXPECT_EQ(frmCSSBuilder::FontFamilyValue(QStringLiteral("Arial")), QStringLiteral("Arial"));
    EXPECT_EQ(frmCSSBuilder::FontFamilyValue(QStringLiteral(" DejaVu Sans Mono ")),
              QStringLiteral("\"DejaVu Sans Mono\""));
    EXPECT_EQ(frmCSSBuilder::FontFamilyValue(QString()), QString());
    // Names that are no plain identifier are quoted too; quotes and backslashes inside are escaped.
    EXPECT_EQ(frmCSSBuilder::FontFamilyValue(QStringLiteral("3Dumb")), QStringLiteral("\"3Dumb\""));
    EXPECT_EQ(frmCSSBuilder::FontFamilyValue(QStringLiteral("A\"B\\C")), QStringLiteral("\"A\\\"B\\\\C\""));
    // The foundry the font list adds to a family installed twice is not part of the name.
    EXPECT_EQ(frmCSSBuilder::FontFamilyValue(QStringLiteral("Nimbus Mono PS [URW]")),
              QStringLiteral("\"Nimbus Mono PS\""));
    // A list of families the user typed stays as typed.
    EXPECT_EQ(frmCSSBuilder::FontFamilyValue(QStringLiteral("\"Times New Roman\", serif")),
              QStringLiteral("\"Times New Roman\", serif"));

    EXPECT_EQ(frmCSSBuilder::FontSizeValue(QStringLiteral("10")), QStringLiteral("10pt"));
    EXPECT_EQ(frmCSSBuilder::FontSizeValue(QStringLiteral(" 10.5 ")), QStringLiteral("10.5pt"));
    EXPECT_EQ(frmCSSBuilder::FontSizeValue(QStringLiteral("12px")), QStringLiteral("12px"));
    EXPECT_EQ(frmCSSBuilder::FontSizeValue(QStringLiteral("-3")), QStringLiteral("-3"));
    EXPECT_EQ(frmCSSBuilder::FontSizeValue(QString()), QString());
}

class Builder : public BuilderFixture {};

TEST_F(Builder, OpensOnTheBodyPageWithEveryFontAndSaveAsDisabled)
{
    auto* list = control<QListWidget>("lstTags");
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    EXPECT_EQ(entries, (QStringList{"Body", "Header Row", "Default Row", "Links"}));

    EXPECT_TRUE(control<QWidget>("pBody")->isVisible());
    for (const char* hidden : {"pHeader", "pDefault", "pStrip"})
        EXPECT_FALSE(control<QWidget>(hidden)->isVisible()) << hidden;
    EXPECT_FALSE(control("Command1")->isEnabled());
    EXPECT_TRUE(control("Command3")->isEnabled());
    EXPECT_EQ(control("Command3")->text(), QStringLiteral("Generate"));
    EXPECT_EQ(control("Command1")->text(), QStringLiteral("Save As"));
    EXPECT_EQ(control("Command2")->text(), QStringLiteral("Close"));

    QStringList screenFonts;
    for (const QString& family : QFontDatabase::families()) {
        if (!QFontDatabase::isPrivateFamily(family))
            screenFonts << family;
    }
    ASSERT_FALSE(screenFonts.isEmpty());
    for (const Item& item : kItems) {
        auto* combo = control<QComboBox>(item.font);
        QStringList offered;
        for (int i = 0; i < combo->count(); ++i)
            offered << combo->itemText(i);
        EXPECT_EQ(offered, screenFonts) << item.font;
        EXPECT_TRUE(combo->currentText().isEmpty()) << item.font;
        EXPECT_EQ(control<QLineEdit>(item.size)->text(), QStringLiteral("10")) << item.size;
        auto* arrows = control<UpDown>(item.upDown);
        EXPECT_EQ(arrows->minimum(), 1);
        EXPECT_EQ(arrows->maximum(), 72);
        EXPECT_EQ(arrows->singleStep(), 1);
        EXPECT_EQ(arrows->value(), 10);
    }

    // A font picked from the list is what the body line names, in quotes as it holds a blank.
    const int withBlank = screenFonts.indexOf(QRegularExpression(QStringLiteral("^[^\\[]+ [^\\[]+$")));
    ASSERT_GE(withBlank, 0) << "no installed font has a blank in its name";
    control<QComboBox>("cFonts")->setCurrentIndex(withBlank);
    generate();
    EXPECT_EQ(lines()[0], QStringLiteral("BODY { font-family: \"%1\"; font-size: 10pt; }")
                              .arg(screenFonts[withBlank]));
}

TEST_F(Builder, IsAWindowOfItsOwnThatLeavesTheOpenerUsable)
{
    QWidget opener;
    auto* box = new QLineEdit(&opener);
    opener.show();
    auto* child = new frmCSSBuilder(folder.path(), &opener);
    child->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(child));
    EXPECT_TRUE(child->isWindow());
    EXPECT_FALSE(child->isModal());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    QTest::keyClicks(box, QStringLiteral("still typing"));
    EXPECT_EQ(box->text(), QStringLiteral("still typing"));
}

TEST_F(Builder, EachItemShowsOnlyItsOwnPage)
{
    for (int shown : {2, 1, 3, 0, 3}) {
        showItem(shown);
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(control<QWidget>(kItems[i].page)->isVisible(), i == shown) << shown << " " << i;
        // A picture of each page beside the test program, to look at.
        builder->grab().save(QCoreApplication::applicationDirPath() +
                             QStringLiteral("/builder_%1.png").arg(QLatin1String(kItems[shown].page)));
    }
    // The link frames live on the Links page only.
    EXPECT_EQ(control<QLineEdit>("Text14")->parentWidget()->parentWidget(), control<QWidget>("pStrip"));
    EXPECT_EQ(control<QLineEdit>("Text15")->parentWidget()->parentWidget(), control<QWidget>("pStrip"));
}

TEST_F(Builder, GenerateWithNothingChosen)
{
    generate();
    EXPECT_EQ(lines(), kUntouched);
    EXPECT_TRUE(control("Command1")->isEnabled());
}

// Boxes left empty (or blank) give no declaration; a rule without any is left out, and one with all
// of them keeps its order.
TEST_F(Builder, OnlyThePropertiesThatWereSetAreWritten)
{
    type("Text2", QString());
    type("Text3", QStringLiteral("  "));
    showItem(2);
    type("Text8", QString());
    type("Text9", QStringLiteral("#123456"));
    showItem(3);
    type("Text15", QStringLiteral("purple"));
    generate();
    EXPECT_EQ(lines(), (QStringList{kUntouched[1], QStringLiteral("TR.TableAltRow { color: #123456; }"), kUntouched[3],
                                    kUntouched[4], QStringLiteral("A:visited { COLOR: purple; text-decoration: none  }"),
                                    QString()}));

    showItem(1);
    typeFont("Combo1", QStringLiteral("Arial"));
    type("Text6", QStringLiteral("#000000"));
    tick("Check6");
    type("Text5", QStringLiteral("#FFFFFF"));
    generate();
    EXPECT_EQ(lines()[0], QStringLiteral("TR.Header { font-family: Arial; font-size: 10pt; color: #000000;"
                                         "font-weight:bold;background-color: #FFFFFF }"));
}

TEST_F(Builder, EachDecorationBoxAddsItsDeclarationToItsOwnLineOnly)
{
    const char* declarations[3] = {"font-weight:bold;", "font-style:italic;", "text-decoration:underline;"};
    for (int i = 0; i < 4; ++i) {
        const char* boxes[3] = {kItems[i].bold, kItems[i].italic, kItems[i].underline};
        for (int d = 0; d < 3; ++d) {
            showItem(i);
            tick(boxes[d]);
            generate();
            QStringList expected = kUntouched;
            expected[i].replace(QStringLiteral(" }"), QStringLiteral("%1 }").arg(QLatin1String(declarations[d])));
            EXPECT_EQ(lines(), expected) << boxes[d];
            tick(boxes[d]);
        }
    }

    // All three at once keep their order.
    showItem(1);
    tick("Check4");
    tick("Check6");
    tick("Check5");
    generate();
    EXPECT_EQ(lines()[1], QStringLiteral("TR.Header { font-size: 10pt;font-weight:bold;"
                                         "font-style:italic;text-decoration:underline; }"));
}

TEST_F(Builder, LinkUnderlineIsIndependentOfLinkBold)
{
    showItem(3);
    tick("Check10");
    generate();
    EXPECT_EQ(lines()[3], QStringLiteral("A:link { font-size: 10pt;text-decoration:underline; }"));
    tick("Check12");
    generate();
    EXPECT_EQ(lines()[3], QStringLiteral("A:link { font-size: 10pt;font-weight:bold;text-decoration:underline; }"));
    tick("Check10");
    generate();
    EXPECT_EQ(lines()[3], QStringLiteral("A:link { font-size: 10pt;font-weight:bold; }"));
}

TEST_F(Builder, HoverAndVisitedLinesWithAndWithoutUnderline)
{
    showItem(3);
    type("Text14", QStringLiteral("#0000FF"));
    type("Text15", QStringLiteral("purple"));
    generate();
    EXPECT_EQ(lines()[4], QStringLiteral("A:hover { COLOR: #0000FF; text-decoration: none  }"));
    EXPECT_EQ(lines()[5], QStringLiteral("A:visited { COLOR: purple; text-decoration: none  }"));

    tick("Check13");
    generate();
    EXPECT_EQ(lines()[4], QStringLiteral("A:hover { COLOR: #0000FF; text-decoration: underline  }"));
    EXPECT_EQ(lines()[5], QStringLiteral("A:visited { COLOR: purple; text-decoration: none  }"));

    tick("Check14");
    tick("Check13");
    generate();
    EXPECT_EQ(lines()[4], QStringLiteral("A:hover { COLOR: #0000FF; text-decoration: none  }"));
    EXPECT_EQ(lines()[5], QStringLiteral("A:visited { COLOR: purple; text-decoration: underline  }"));
}

TEST_F(Builder, EachUpDownWritesIntoItsOwnSizeBox)
{
    const int steps[4] = {3, -2, 5, -9};
    for (int i = 0; i < 4; ++i) {
        showItem(i);
        stepSize(kItems[i].upDown, steps[i]);
    }
    const QString expected[4] = {"13", "8", "15", "1"};
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(control<QLineEdit>(kItems[i].size)->text(), expected[i]) << kItems[i].size;
    generate();
    EXPECT_TRUE(lines()[0].contains(QStringLiteral("font-size: 13pt;")));
    EXPECT_TRUE(lines()[3].contains(QStringLiteral("font-size: 1pt;")));

    // The range ends at 1 and 72.
    stepSize("UpDown4", -1);
    EXPECT_EQ(control<QLineEdit>("Text13")->text(), QStringLiteral("1"));
    control<UpDown>("UpDown4")->stepBy(200);
    EXPECT_EQ(control<QLineEdit>("Text13")->text(), QStringLiteral("72"));
    stepSize("UpDown4", 1);
    EXPECT_EQ(control<QLineEdit>("Text13")->text(), QStringLiteral("72"));

    // A number typed into the box is where the arrows go on from; other text stays as typed.
    showItem(1);
    type("Text7", QStringLiteral("30"));
    stepSize("UpDown2", 1);
    EXPECT_EQ(control<QLineEdit>("Text7")->text(), QStringLiteral("31"));
    type("Text7", QStringLiteral("1.2em"));
    generate();
    EXPECT_EQ(control<QLineEdit>("Text7")->text(), QStringLiteral("1.2em"));
    EXPECT_EQ(lines()[1], QStringLiteral("TR.Header { font-size: 1.2em; }"));
}

TEST_F(Builder, ColourButtonsFillTheirOwnBoxStartingAtTheLastColour)
{
    struct Pick {
        int item;
        const char* button;
        const char* box;
    };
    const Pick picks[] = {
        {0, "Command12", "Text3"}, {0, "Command13", "Text4"},  {1, "Command10", "Text6"},
        {1, "Command11", "Text5"}, {2, "Command8", "Text9"},   {2, "Command9", "Text10"},
        {3, "Command6", "Text12"}, {3, "Command7", "Text11"},  {3, "Command4", "Text14"},
        {3, "Command5", "Text15"},
    };
    QList<QColor> chosen;
    for (int i = 0; i < 10; ++i)
        chosen << QColor(10 + i * 20, 255 - i * 20, (i * 37) % 256);
    for (const QColor& c : chosen)
        dialogs.colors.push_back(c);

    for (const Pick& p : picks) {
        showItem(p.item);
        click(p.button);
    }
    ASSERT_EQ(dialogs.colorStarts.size(), 10);
    EXPECT_EQ(dialogs.colorStarts.first(), QColor(Qt::black));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(control<QLineEdit>(picks[i].box)->text(),
                  QStringLiteral("#%1%2%3")
                      .arg(chosen[i].red(), 2, 16, QLatin1Char('0'))
                      .arg(chosen[i].green(), 2, 16, QLatin1Char('0'))
                      .arg(chosen[i].blue(), 2, 16, QLatin1Char('0'))
                      .toUpper())
            << picks[i].box;
        if (i > 0) {
            EXPECT_EQ(dialogs.colorStarts[i], chosen[i - 1]) << picks[i].button;
        }
    }

    // A cancelled dialog leaves the box as it was and the next dialog starts where the last
    // choice was.
    type("Text12", QStringLiteral("#123456"));
    dialogs.colors.push_back(std::nullopt);
    click("Command6");
    EXPECT_EQ(control<QLineEdit>("Text12")->text(), QStringLiteral("#123456"));
    EXPECT_EQ(dialogs.colorStarts.last(), chosen.last());
    dialogs.colors.push_back(QColor(255, 0, 0));
    click("Command6");
    EXPECT_EQ(control<QLineEdit>("Text12")->text(), QStringLiteral("#FF0000"));
    EXPECT_EQ(dialogs.colorStarts.last(), chosen.last());
    EXPECT_EQ(builder->LastColor(), QColor(255, 0, 0));
}

TEST_F(Builder, SaveAsWritesTheTextWithCrLfAndTellsWhereItWent)
{
    QSignalSpy saved(builder.data(), &frmCSSBuilder::stylesheetSaved);
    generate();
    const QString path = folder.filePath(QStringLiteral("mine.css"));

    // A cancelled dialog writes nothing and changes nothing.
    dialogs.fileNames.push_back(QString());
    click("Command1");
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(saved.count(), 0);
    EXPECT_EQ(dialogs.prompts, QStringList{QStringLiteral("Save CSS as...")});
    EXPECT_EQ(dialogs.saveFilters, QStringList{QStringLiteral("CSS files (*.css)")});
    EXPECT_EQ(dialogs.saveFolders, QStringList{folder.path()});

    dialogs.fileNames.push_back(path);
    click("Command1");
    ASSERT_EQ(saved.count(), 1);
    EXPECT_EQ(saved.first().first().toString(), path);
    QByteArray expected = kUntouched.join(QStringLiteral("\r\n")).toLocal8Bit() + "\r\n";
    EXPECT_EQ(read(path), expected);
    EXPECT_TRUE(read(path).endsWith("}\r\n\r\n"));
    EXPECT_TRUE(dialogs.messages.isEmpty());

    // Saving again replaces the file; the dialog starts at the file saved last.
    showItem(2);
    type("Text10", QStringLiteral("#EEEEEE"));
    typeFont("Combo2", QStringLiteral("Arial"));
    generate();
    dialogs.fileNames.push_back(path);
    click("Command1");
    ASSERT_EQ(saved.count(), 2);
    EXPECT_EQ(dialogs.saveFolders.last(), path);
    QStringList second = kUntouched;
    second[2] = QStringLiteral("TR.TableAltRow { font-family: Arial; font-size: 10pt;background-color: #EEEEEE }");
    EXPECT_EQ(read(path), second.join(QStringLiteral("\r\n")).toLocal8Bit() + "\r\n");

    // What the user changed in the text box is what is saved; a shorter text leaves nothing of
    // the longer file behind.
    auto* box = control<QPlainTextEdit>("Text1");
    box->setPlainText(QStringLiteral("BODY { color: red }\n"));
    dialogs.fileNames.push_back(path);
    click("Command1");
    EXPECT_EQ(read(path), QByteArray("BODY { color: red }\r\n\r\n"));
    EXPECT_EQ(saved.count(), 3);
}

TEST_F(Builder, AFailedSaveNamesFileAndReasonAndKeepsTheStylesheet)
{
    QSignalSpy saved(builder.data(), &frmCSSBuilder::stylesheetSaved);
    generate();

    const QString missingFolder = folder.filePath(QStringLiteral("no such folder/site.css"));
    dialogs.fileNames.push_back(missingFolder);
    click("Command1");
    ASSERT_EQ(dialogs.messages.size(), 1);
    const RecordedMessage& m = dialogs.messages.first();
    EXPECT_TRUE(m.text.startsWith(
        QStringLiteral("The stylesheet could not be saved to %1:\n").arg(QDir::toNativeSeparators(missingFolder))))
        << m.text.toStdString();
    EXPECT_GT(m.text.section(u'\n', 1).trimmed().size(), 0) << "no reason given";
    EXPECT_EQ(m.icon, MessageIcon::Critical);
    EXPECT_EQ(saved.count(), 0);
    EXPECT_FALSE(QFile::exists(missingFolder));

    // A name that is a folder: nothing is written into or over it.
    const QString aFolder = folder.filePath(QStringLiteral("taken.css"));
    ASSERT_TRUE(QDir().mkpath(aFolder));
    dialogs.fileNames.push_back(aFolder);
    click("Command1");
    ASSERT_EQ(dialogs.messages.size(), 2);
    EXPECT_TRUE(dialogs.messages[1].text.contains(QDir::toNativeSeparators(aFolder)));
    EXPECT_EQ(saved.count(), 0);
    EXPECT_TRUE(QFileInfo(aFolder).isDir());

    // A full disk: the stylesheet saved there before stays byte for byte.
    qmtest::FullDisk disk;
    const QString earlier = disk.file(QStringLiteral("site.css"));
    {
        QFile f(earlier);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("BODY { color: red }\r\n");
    }
    disk.fill();
    dialogs.fileNames.push_back(earlier);
    click("Command1");
    disk.release();
    ASSERT_EQ(dialogs.messages.size(), 3);
    EXPECT_TRUE(dialogs.messages[2].text.contains(QDir::toNativeSeparators(earlier)));
    EXPECT_EQ(read(earlier), QByteArray("BODY { color: red }\r\n"));
    EXPECT_EQ(saved.count(), 0);

    // The window stays usable: a good name afterwards saves.
    const QString good = folder.filePath(QStringLiteral("good.css"));
    dialogs.fileNames.push_back(good);
    click("Command1");
    EXPECT_EQ(saved.count(), 1);
    EXPECT_FALSE(read(good).isEmpty());
}

TEST_F(Builder, CloseDiscardsTheWindowAndWritesNothing)
{
    QSignalSpy saved(builder.data(), &frmCSSBuilder::stylesheetSaved);
    generate();
    click("Command2");
    EXPECT_FALSE(builder->isVisible());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(builder.isNull());
    EXPECT_EQ(saved.count(), 0);
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
    EXPECT_TRUE(dialogs.fileNames.empty());
}

}  // namespace
