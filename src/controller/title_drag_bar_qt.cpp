#include <QEvent>
#include <QMouseEvent>
#include <QWindow>

#include "controller/title_drag_bar.h"

namespace lumenor {

TitleDragBar::TitleDragBar(QWidget* parent, int height, int trailingInset)
    : QWidget(parent), height_(height), trailingInset_(trailingInset) {
    setAttribute(Qt::WA_NoSystemBackground);
    setAutoFillBackground(false);
    parent->installEventFilter(this);
    fitParent();
}

void TitleDragBar::mousePressEvent(QMouseEvent* event) {
    QWindow* handle = window()->windowHandle();
    if (event->button() == Qt::LeftButton && handle != nullptr && handle->startSystemMove()) {
        event->accept();
        return;
    }
    event->ignore();
}

bool TitleDragBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == parentWidget() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::ChildAdded)) {
        fitParent();
    }
    return false;
}

void TitleDragBar::fitParent() {
    setGeometry(0, 0, qMax(0, parentWidget()->width() - trailingInset_), height_);
    raise();
}

}  // namespace lumenor
