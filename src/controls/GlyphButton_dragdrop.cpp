// Drag and drop: the window system's drag notifications passed on as the OLE signals, and drags
// started from the button.

#include "controls/GlyphButton.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QGuiApplication>
#include <QMimeData>

namespace {

// Drag data whose formats may be promised with empty contents; the button is asked for them
// (OLESetData) when a drop target reads one.
class PromisedMimeData : public QMimeData {
public:
    explicit PromisedMimeData(GlyphButton* button) : m_button(button) {}

protected:
    QVariant retrieveData(const QString& format, QMetaType type) const override
    {
        QVariant stored = QMimeData::retrieveData(format, type);
        if (!m_asking && m_button && QMimeData::formats().contains(format) && stored.toByteArray().isEmpty()) {
            m_asking = true;
            emit m_button->OLESetData(const_cast<PromisedMimeData*>(this), format);
            m_asking = false;
            stored = QMimeData::retrieveData(format, type);
        }
        return stored;
    }

private:
    QPointer<GlyphButton> m_button;
    mutable bool m_asking = false;
};

}  // namespace

void GlyphButton::relayDragOver(QDragMoveEvent* e, int state)
{
    m_dragData = e->mimeData();
    Qt::DropAction effect = e->proposedAction();
    const QPoint pos = e->position().toPoint();
    emit OLEDragOver(e->mimeData(), effect, e->buttons(), e->modifiers(), pos.x(), pos.y(), state);
    if (effect != Qt::IgnoreAction && (e->possibleActions() & effect)) {
        e->setDropAction(effect);
        e->accept();
    } else {
        e->ignore();
    }
}

void GlyphButton::dragEnterEvent(QDragEnterEvent* e)
{
    if (isEnabled())
        relayDragOver(e, 0);
    else
        e->ignore();
}

void GlyphButton::dragMoveEvent(QDragMoveEvent* e)
{
    if (isEnabled())
        relayDragOver(e, 2);
    else
        e->ignore();
}

void GlyphButton::dragLeaveEvent(QDragLeaveEvent*)
{
    if (!isEnabled())
        return;
    Qt::DropAction effect = Qt::IgnoreAction;
    const QPoint pos = mapFromGlobal(QCursor::pos());
    emit OLEDragOver(m_dragData, effect, QGuiApplication::mouseButtons(), QGuiApplication::keyboardModifiers(),
                     pos.x(), pos.y(), 1);
    m_dragData = nullptr;
}

void GlyphButton::dropEvent(QDropEvent* e)
{
    m_dragData = nullptr;
    if (!isEnabled()) {
        e->ignore();
        return;
    }
    Qt::DropAction effect = e->proposedAction();
    const QPoint pos = e->position().toPoint();
    emit OLEDragDrop(e->mimeData(), effect, e->buttons(), e->modifiers(), pos.x(), pos.y());
    if (effect != Qt::IgnoreAction && (e->possibleActions() & effect)) {
        e->setDropAction(effect);
        e->accept();
    } else {
        e->ignore();
    }
}

void GlyphButton::OLEDrag()
{
    if (!isEnabled())
        return;
    auto* mimeData = new PromisedMimeData(this);
    Qt::DropActions allowed = Qt::CopyAction | Qt::MoveAction;
    emit OLEStartDrag(mimeData, allowed);
    if (!allowed) {
        delete mimeData;
        emit OLECompleteDrag(Qt::IgnoreAction);
        return;
    }
    auto* drag = new QDrag(this);  // Qt deletes it once the drag is over
    drag->setMimeData(mimeData);
    connect(drag, &QDrag::actionChanged, this, [this](Qt::DropAction action) { emit OLEGiveFeedback(action, true); });
    const Qt::DropAction result = drag->exec(allowed);
    emit OLECompleteDrag(result);
}
