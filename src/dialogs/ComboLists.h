#pragma once
// Drop-down lists wide enough for their entries.

class QComboBox;

// Keeps the open list of `box` as wide as its longest entry, however narrow the box itself is,
// and the box's whole current text in its tooltip, for a name longer than the box shows.
void fitListToEntries(QComboBox* box);
