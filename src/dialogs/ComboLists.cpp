#include "dialogs/ComboLists.h"

#include <QAbstractItemModel>
#include <QAbstractItemView>
#include <QComboBox>
#include <QEvent>
#include <QFontMetrics>
#include <QLineEdit>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QStyleOptionFrame>
#include <QStylePainter>

#include <algorithm>

namespace {

// QLineEdit keeps this many pixels between its contents rectangle and its text.
constexpr int kLineEditTextMargin = 2;

QStyleOptionComboBox comboOption(const QComboBox* box)
{
    QStyleOptionComboBox option;
    option.initFrom(box);
    option.editable = box->isEditable();
    option.frame = box->hasFrame();
    option.subControls = QStyle::SC_All;
    if (box->hasFocus() && !option.editable)
        option.state |= QStyle::State_Selected;
    if (box->view()->isVisible())
        option.state |= QStyle::State_On;
    option.currentText = box->currentText();
    option.currentIcon = box->itemIcon(box->currentIndex());
    option.iconSize = box->iconSize();
    return option;
}

QStyleOptionFrame lineEditOption(const QLineEdit* edit)
{
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.lineWidth = 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    if (edit->isReadOnly())
        option.state |= QStyle::State_ReadOnly;
    return option;
}

QRect lineEditTextRect(const QLineEdit* edit)
{
    const QStyleOptionFrame option = lineEditOption(edit);
    return edit->style()
        ->subElementRect(QStyle::SE_LineEditContents, &option, edit)
        .marginsRemoved(edit->textMargins())
        .adjusted(kLineEditTextMargin, 0, -kLineEditTextMargin, 0);
}

// The width the closed box has for its text.
int textWidth(const QComboBox* box)
{
    if (const QLineEdit* edit = box->lineEdit())
        return lineEditTextRect(edit).width();
    const QStyleOptionComboBox option = comboOption(box);
    int width = box->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, box).width();
    // The style leaves a pixel either side of the label, and an icon and its gap before it.
    width -= 2;
    if (!option.currentIcon.isNull())
        width -= option.iconSize.width() + 4;
    return width;
}

QString fullText(const QComboBox* box)
{
    if (!box->isEditable() && box->currentIndex() < 0 && !box->placeholderText().isEmpty())
        return box->placeholderText();
    return box->currentText();
}

bool fits(const QComboBox* box)
{
    return box->fontMetrics().horizontalAdvance(fullText(box)) <= textWidth(box);
}

// Paints a closed box whose text does not fit with the start of its text and "…"; a box whose
// text fits, and the line edit of an editable box while the user types in it, paint as usual.
class ElideClosedText : public QObject
{
public:
    explicit ElideClosedText(QComboBox* box) : QObject(box), m_box(box) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::Paint || fits(m_box))
            return false;
        if (watched == m_box && !m_box->isEditable()) {
            paintBox();
            return true;
        }
        QLineEdit* edit = m_box->lineEdit();
        if (watched == edit && !edit->hasFocus()) {
            paintLineEdit(edit);
            return true;
        }
        return false;
    }

private:
    void paintBox()
    {
        QStylePainter painter(m_box);
        painter.setPen(m_box->palette().color(QPalette::Text));
        QStyleOptionComboBox option = comboOption(m_box);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        if (m_box->currentIndex() < 0 && !m_box->placeholderText().isEmpty()) {
            option.palette.setBrush(QPalette::ButtonText, option.palette.placeholderText());
            option.palette.setBrush(QPalette::Text, option.palette.placeholderText());
        }
        option.currentText = closedText(m_box);
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }

    void paintLineEdit(QLineEdit* edit)
    {
        QPainter painter(edit);
        const QStyleOptionFrame option = lineEditOption(edit);
        edit->style()->drawPrimitive(QStyle::PE_PanelLineEdit, &option, &painter, edit);
        painter.setPen(edit->palette().color(QPalette::Text));
        painter.drawText(lineEditTextRect(edit), Qt::AlignLeft | Qt::AlignVCenter, closedText(m_box));
    }

    QComboBox* m_box;
};

} // namespace

QString closedText(const QComboBox* box)
{
    return box->fontMetrics().elidedText(fullText(box), Qt::ElideRight, textWidth(box));
}

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

    auto* elide = new ElideClosedText(box);
    box->installEventFilter(elide);
    if (QLineEdit* edit = box->lineEdit()) {
        edit->installEventFilter(elide);
        // A text set by the program (not typed) is shown from its start once the user clicks in.
        QObject::connect(edit, &QLineEdit::textChanged, edit, [edit] {
            if (!edit->hasFocus())
                edit->setCursorPosition(0);
        });
        edit->setCursorPosition(0);
    }
}
