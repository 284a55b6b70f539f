#include "stylesheet/UpDown.h"

#include <QKeyEvent>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>

UpDown::UpDown(QWidget* parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::TabFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    const auto arrow = [this](Qt::ArrowType type, const char* name) {
        auto* b = new QToolButton(this);
        b->setObjectName(QString::fromLatin1(name));
        b->setArrowType(type);
        b->setAutoRepeat(true);
        b->setFocusPolicy(Qt::NoFocus);
        b->setFixedSize(18, 12);
        return b;
    };
    m_up = arrow(Qt::UpArrow, "up");
    m_down = arrow(Qt::DownArrow, "down");
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
    updateButtons();
}

void UpDown::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
    const int clamped = std::clamp(m_value, m_minimum, m_maximum);
    if (clamped != m_value) {
        m_value = clamped;
        emit valueChanged(m_value);
    }
    updateButtons();
}

void UpDown::setValue(int value)
{
    value = std::clamp(value, m_minimum, m_maximum);
    if (value == m_value)
        return;
    m_value = value;
    updateButtons();
    emit valueChanged(m_value);
}

void UpDown::stepBy(int steps)
{
    // Wide enough that a large step count cannot overflow before the clamp.
    const long long target = static_cast<long long>(m_value) + static_cast<long long>(steps) * m_step;
    setValue(static_cast<int>(std::clamp<long long>(target, m_minimum, m_maximum)));
}

void UpDown::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Up)
        stepBy(1);
    else if (event->key() == Qt::Key_Down)
        stepBy(-1);
    else
        QWidget::keyPressEvent(event);
}

void UpDown::wheelEvent(QWheelEvent* event)
{
    const int notches = event->angleDelta().y() / 120;
    if (notches != 0)
        stepBy(notches);
    event->accept();
}

void UpDown::updateButtons()
{
    m_up->setEnabled(m_value < m_maximum);
    m_down->setEnabled(m_value > m_minimum);
}
