#pragma once
// Drop-down lists wide enough for their entries.

#include <QString>

class QComboBox;

// Keeps the open list of `box` as wide as its longest entry, however narrow the box itself is,
// and the box's whole current text in its tooltip, for a name longer than the box shows. A closed
// box too narrow for its text shows the start of it, cut at the end with "…".
void fitListToEntries(QComboBox* box);

// The text the closed `box` shows: its current text (or its placeholder while nothing is chosen),
// cut at the end with "…" where the box is too narrow for it.
QString closedText(const QComboBox* box);
