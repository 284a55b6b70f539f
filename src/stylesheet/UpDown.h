#pragma once
// A pair of small arrow buttons that steps a number up and down within a range, for a text box
// beside it that shows the number. The number lives here; the box is free text.

#include <QWidget>

class QToolButton;

class UpDown : public QWidget {
    Q_OBJECT

public:
    explicit UpDown(QWidget* parent = nullptr);

    int value() const { return m_value; }
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int singleStep() const { return m_step; }
    void setRange(int minimum, int maximum);
    void setSingleStep(int step) { m_step = step; }
    // Clamps to the range; valueChanged is emitted only when the value changes.
    void setValue(int value);
    void stepBy(int steps);

    QToolButton* upButton() const { return m_up; }
    QToolButton* downButton() const { return m_down; }

signals:
    void valueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    void updateButtons();

    int m_minimum = 0;
    int m_maximum = 100;
    int m_step = 1;
    int m_value = 0;
    QToolButton* m_up = nullptr;
    QToolButton* m_down = nullptr;
};
