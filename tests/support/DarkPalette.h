#pragma once
// A dark palette for the program while it lives, as a user's desktop may give it (light text on
// dark windows, greyed text for what is disabled, but disabled boxes with the page colour of
// enabled ones, as some desktop palettes have it); the palette before is restored afterwards.

#include <QApplication>
#include <QPalette>

namespace qmtest {

class DarkPalette {
public:
    DarkPalette() : m_before(QApplication::palette())
    {
        QPalette p;
        const QColor window(45, 45, 48), base(30, 30, 32), button(60, 60, 64), text(230, 230, 230);
        const std::pair<QPalette::ColorRole, QColor> roles[] = {
            {QPalette::Window, window},          {QPalette::WindowText, text},
            {QPalette::Base, base},              {QPalette::AlternateBase, window},
            {QPalette::Text, text},              {QPalette::Button, button},
            {QPalette::ButtonText, text},        {QPalette::Highlight, QColor(61, 142, 230)},
            {QPalette::HighlightedText, Qt::white}, {QPalette::ToolTipBase, base},
            {QPalette::ToolTipText, text},       {QPalette::Light, QColor(90, 90, 95)},
            {QPalette::Midlight, QColor(75, 75, 80)}, {QPalette::Mid, QColor(100, 100, 105)},
            {QPalette::Dark, QColor(25, 25, 27)}, {QPalette::Shadow, Qt::black},
            {QPalette::Link, QColor(100, 170, 255)}, {QPalette::PlaceholderText, QColor(150, 150, 150)},
        };
        for (const auto& [role, color] : roles)
            p.setColor(role, color);
        for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            p.setColor(QPalette::Disabled, role, QColor(130, 130, 130));
        QApplication::setPalette(p);
    }
    ~DarkPalette() { QApplication::setPalette(m_before); }
    DarkPalette(const DarkPalette&) = delete;
    DarkPalette& operator=(const DarkPalette&) = delete;

private:
    QPalette m_before;
};

}  // namespace qmtest
