#pragma once

#include "ui_demo_window.h"

#include <QTimer>
#include <QWidget>

// Shows the control at work: a bar that follows a simulated copy job, a bar whose range and
// value are typed in, and a bar in other colours.
class DemoWindow : public QWidget
{
    Q_OBJECT

public:
    explicit DemoWindow(QWidget* parent = nullptr);

    // Puts every bar at a fixed position part-way, for a still picture of the window.
    void showSample();

private:
    void startJob();
    void copyNextFile();
    void assignValue();

    Ui::DemoWindow m_ui;
    QTimer m_jobTimer;
    int m_filesCopied = 0;
};
