#include "demo_window.h"

namespace {
constexpr int FileCount = 250;
}

DemoWindow::DemoWindow(QWidget* parent)
    : QWidget(parent)
{
    m_ui.setupUi(this);
    // The bars are placed at fixed sizes: resizing a bar empties it.
    setFixedSize(size());
    m_jobTimer.setInterval(20);
    connect(&m_jobTimer, &QTimer::timeout, this, &DemoWindow::copyNextFile);
    connect(m_ui.cmdStart, &QPushButton::clicked, this, &DemoWindow::startJob);
    connect(m_ui.cmdReset, &QPushButton::clicked, this, [this] {
        m_jobTimer.stop();
        m_ui.meterJob->ResetMeterling();
    });
    connect(m_ui.cmdAssign, &QPushButton::clicked, this, &DemoWindow::assignValue);
}

void DemoWindow::showSample()
{
    m_ui.meterJob->setValue(153);
    m_ui.spnMin->setValue(20);
    m_ui.spnMax->setValue(100);
    m_ui.spnValue->setValue(10);
    assignValue();
    m_ui.meterColours->setValue(31);
}

void DemoWindow::startJob()
{
    m_filesCopied = 0;
    m_ui.meterJob->ResetMeterling();
    m_jobTimer.start();
}

void DemoWindow::copyNextFile()
{
    ++m_filesCopied;
    m_ui.meterJob->setValue(m_filesCopied);
    if (m_filesCopied >= FileCount)
        m_jobTimer.stop();
}

// Min and Max take effect at the next Value, which the bar bounds by them.
void DemoWindow::assignValue()
{
    Meterling* meter = m_ui.meterManual;
    meter->setMin(m_ui.spnMin->value());
    meter->setMax(float(m_ui.spnMax->value()));
    meter->setValue(m_ui.spnValue->value());
    m_ui.lblStored->setText(tr("Value stored after bounding: %1").arg(meter->Value()));
}
