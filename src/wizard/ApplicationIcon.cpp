#include "wizard/ApplicationIcon.h"

#include <QPixmap>

// The PNGs are made from data/icons/quillmere.svg at build time and compiled in (":/icons/"), so
// the icon needs no SVG support when the program runs.
QIcon ApplicationIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/quillmere-%1.png").arg(size), QSize(size, size));
    return icon;
}
