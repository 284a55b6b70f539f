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
    // The bar also follows the stages while the run goes on, whenever the run lets it repaint.
    connect(&m_log, &GenerationLog::stageChanged, pb1, &QProgressBar::setValue);
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
    QCoreApplication::processEvents();
    // A run that stopped never reaches stage 3: close at once instead of waiting for it.
    if (m_result.Succeeded) {
        do {
            QCoreApplication::processEvents();
            pb1->setValue(m_log.GenerationStage());
            QCoreApplication::processEvents();
        } while (m_log.GenerationStage() < 3);
    }
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
