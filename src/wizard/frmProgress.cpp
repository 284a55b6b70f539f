#include "wizard/frmProgress.h"

#include "generator/GenerationLog.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

frmProgress::frmProgress(const WizardChoices& choices, const QString& programFolder, GenerationLog& log,
                         QWidget* parent)
    : QDialog(parent), m_choices(choices), m_programFolder(programFolder), m_log(log)
{
    setupUi();
    connect(&m_log, &GenerationLog::stageChanged, pb1, &QProgressBar::setValue);
    // The run blocks the event loop: after each of its log lines the pending window events are
    // processed, so that the log list and the bar repaint while it goes on.
    connect(&m_log, &GenerationLog::lineAppended, this, [this] {
        if (m_running)
            QCoreApplication::processEvents();
    });
}

void frmProgress::setupUi()
{
    setObjectName(QStringLiteral("frmProgress"));
    setWindowTitle(QStringLiteral("Please Wait..."));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    auto* frame = new QGroupBox(QStringLiteral("Current Progress:"), this);
    frame->setObjectName(QStringLiteral("frmCurrentProgress"));
    auto* frameLayout = new QVBoxLayout(frame);
    pb1 = new QProgressBar(frame);
    pb1->setObjectName(QStringLiteral("pb1"));
    pb1->setRange(0, 3);
    pb1->setValue(0);
    pb1->setTextVisible(false);
    auto* text = new QLabel(QStringLiteral("Creating PHP Scripts..."), frame);
    text->setObjectName(QStringLiteral("lblProgress"));
    frameLayout->addWidget(pb1);
    frameLayout->addWidget(text);
    layout->addWidget(frame);
    setFixedSize(320, sizeHint().height());
}

// The run starts once the window is on screen, from the event loop, so the window paints first.
void frmProgress::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_started)
        return;
    m_started = true;
    QMetaObject::invokeMethod(this, &frmProgress::run, Qt::QueuedConnection);
}

void frmProgress::run()
{
    m_running = true;
    phpCreator creator(m_programFolder, m_log);
    m_result = creator.Generate(m_choices);
    m_hasRun = true;
    // The bar has followed the stages, up to 3 when the run succeeded; a run that stopped ends
    // short of it. Either way the window lets the bar repaint once and closes.
    QCoreApplication::processEvents();
    m_running = false;
    done(m_result.Succeeded ? QDialog::Accepted : QDialog::Rejected);
}

void frmProgress::reject()
{
    if (!m_running)
        QDialog::reject();
}

void frmProgress::closeEvent(QCloseEvent* event)
{
    if (m_running) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}
