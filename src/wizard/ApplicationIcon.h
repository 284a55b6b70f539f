#pragma once
// The program's icon (a quill writing into a table), at every size it is drawn at.

#include <QIcon>

QIcon ApplicationIcon();
