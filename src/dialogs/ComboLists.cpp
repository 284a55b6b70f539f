#include "dialogs/ComboLists.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QComboBox>
#include <QFontMetrics>
#include <QStyle>

#include <algorithm>

void fitListToEntries(QComboBox* box)
{
    auto fit = [box] {
        QAbstractItemView* list = box->view();
        const QFontMetrics metrics(list->font());
        int widest = 0;
        for (int i = 0; i < box->count(); ++i)
            widest = std::max(widest, metrics.horizontalAdvance(box->itemText(i)));
        // The entries' own margins, the list's frame and a vertical scroll bar come on top.
        const int margins = 2 * metrics.horizontalAdvance(QLatin1Char('M')) + 2 * list->frameWidth()
                            + box->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list);
        list->setMinimumWidth(widest + margins);
    };
    const QAbstractItemModel* model = box->model();
    QObject::connect(model, &QAbstractItemModel::rowsInserted, box, fit);
    QObject::connect(model, &QAbstractItemModel::rowsRemoved, box, fit);
    QObject::connect(model, &QAbstractItemModel::modelReset, box, fit);
    QObject::connect(model, &QAbstractItemModel::dataChanged, box, fit);
    QObject::connect(box, &QComboBox::currentTextChanged, box, [box](const QString& text) { box->setToolTip(text); });
    fit();
    box->setToolTip(box->currentText());
}
