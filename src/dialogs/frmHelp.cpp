#include "dialogs/frmHelp.h"

#include "common/ProgramFolder.h"
#include "dialogs/HTMLHelpViewer.h"
#include "dialogs/UserDialogs.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QVBoxLayout>

namespace {

const QString kHelpName = QStringLiteral("Quillmere Online Help");
const QString kSeeAlso = QStringLiteral("For more details please see");

// The help file's topic on lookup columns, opened by the link for more details.
constexpr int32_t kLookupColumnsContext = 101;

const QString kLookupTitle = QStringLiteral("  Lookup columns");
const QString kLookupBody =
    QStringLiteral(
        "This feature controls how you want foreign keys to be displayed  in the result script for "
        "example if you have two tables Customers and Orders, in the Orders table there would be a "
        "column for storing the customer ID related to each order (foreign key).")
    + QStringLiteral("\r\n\r\n")
    + QStringLiteral(
        "However, in orders table, if you don't want to see Customer ID. Instead, you would rather "
        "see the name of the customer, which the order belongs to (i.e. JOHN SMITH instead of 5467) "
        "Not only that, but you would like to be able to use a drop-down to easily select the name "
        "of the Customer, to save typing it every time. To achieve these two things we use a Lookup "
        "Column.")
    + QStringLiteral("\r\n\r\n") + QStringLiteral("parent field:") + QStringLiteral("\r\n\r\n")
    + QStringLiteral(
        "Parent Field is the field that contain values you want to include in your lookup column , "
        "in the Previous example the parent field is Customer Name (in the customers table) while "
        "the lookup column is customer ID (in the Orders table) .");

}  // namespace

frmHelp::frmHelp(QWidget* parent)
    : QDialog(parent),
      m_helpFile(ProgramFolder::dataFolder() + QStringLiteral("/Quillmere OnLine Help.qch"))
{
    setupUi();
}

frmHelp::~frmHelp() = default;

void frmHelp::setupUi()
{
    setObjectName(QStringLiteral("frmHelp"));
    setWindowTitle(QStringLiteral("What's this"));

    Label1 = new QLabel(kHelpName, this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setStyleSheet(QStringLiteral("QLabel { color: white; background-color: #1f3f66; "
                                         "padding: 6px; font-weight: bold; }"));

    title = new QLineEdit(this);
    title->setObjectName(QStringLiteral("title"));
    title->setReadOnly(true);
    title->setFrame(false);
    title->setFocusPolicy(Qt::NoFocus);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.2);
    title->setFont(titleFont);
    title->setStyleSheet(QStringLiteral("QLineEdit { background: transparent; }"));

    body = new QPlainTextEdit(this);
    body->setObjectName(QStringLiteral("body"));
    body->setReadOnly(true);
    body->setLineWrapMode(QPlainTextEdit::WidgetWidth);

    lblseealso = new QLabel(kSeeAlso, this);
    lblseealso->setObjectName(QStringLiteral("lblseealso"));

    // A label that acts as a link: underlined, in link colour, with the hand pointer; a click, or
    // Enter or Space while it has the focus, opens the help file.
    lblref = new QLabel(kHelpName, this);
    lblref->setObjectName(QStringLiteral("lblref"));
    lblref->setCursor(Qt::PointingHandCursor);
    lblref->setFocusPolicy(Qt::StrongFocus);
    QFont linkFont = lblref->font();
    linkFont.setUnderline(true);
    lblref->setFont(linkFont);
    QPalette linkPalette = lblref->palette();
    linkPalette.setColor(QPalette::WindowText, linkPalette.color(QPalette::Link));
    lblref->setPalette(linkPalette);
    lblref->installEventFilter(this);

    auto* seeAlso = new QHBoxLayout;
    seeAlso->addWidget(lblseealso);
    seeAlso->addWidget(lblref);
    seeAlso->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 10);
    auto* content = new QVBoxLayout;
    content->setContentsMargins(10, 0, 10, 0);
    content->addWidget(title);
    content->addWidget(body, 1);
    content->addLayout(seeAlso);
    layout->addWidget(Label1);
    layout->addLayout(content, 1);
    resize(440, 360);
}

int frmHelp::ShowModal()
{
    // Modal to the window it belongs to only, so that the help window the link opens can be used
    // while this one is shown.
    if (parentWidget())
        setWindowModality(Qt::WindowModal);
    return UserDialogs::current().exec(*this);
}

bool frmHelp::event(QEvent* event)
{
    if (event->type() == QEvent::Show || event->type() == QEvent::WindowActivate)
        fillTopic();
    return QDialog::event(event);
}

void frmHelp::fillTopic()
{
    if (HelpTopic != 1)
        return;
    title->setText(kLookupTitle);
    body->setPlainText(kLookupBody);
    lblseealso->setText(kSeeAlso);
    lblref->setText(kHelpName);
}

void frmHelp::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        setResult(QDialog::Rejected);
        hide();
        return;
    }
    QDialog::keyPressEvent(event);
}

// Closing by the frame discards the window; Escape only hides it (keyPressEvent). The window is
// not marked delete-on-close, because exec() deletes such a window whenever it returns, Escape
// included; a close event comes only from close() (the frame), not from accept() or reject().
void frmHelp::closeEvent(QCloseEvent* event)
{
    QDialog::closeEvent(event);
    if (event->isAccepted())
        deleteLater();
}

bool frmHelp::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == lblref) {
        if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() == Qt::LeftButton && lblref->rect().contains(mouse->position().toPoint())) {
                openHelpFile();
                return true;
            }
        } else if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
                openHelpFile();
                return true;
            }
        }
    }
    return QDialog::eventFilter(watched, event);
}

void frmHelp::openHelpFile()
{
    HTMLHelpViewer* viewer = m_viewer;
    if (!viewer) {
        if (!m_ownViewer)
            m_ownViewer = std::make_unique<HTMLHelpViewer>();
        viewer = m_ownViewer.get();
    }
    viewer->SetHelpFile(m_helpFile);
    viewer->ShowContext(kLookupColumnsContext);
}
