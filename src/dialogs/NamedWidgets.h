#pragma once
// Helpers for building windows whose controls carry the names the program and its tests find
// them by.

#include <QPushButton>
#include <QString>

// Gives the widget its object name and returns it, so construction reads as one expression.
template <typename T>
T* named(T* widget, const char* name)
{
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

// A named push button that never becomes the default button on its own: Enter belongs to the
// text boxes and lists of the windows.
inline QPushButton* namedButton(const char* name, const QString& caption, QWidget* parent)
{
    auto* button = named(new QPushButton(caption, parent), name);
    button->setAutoDefault(false);
    return button;
}
