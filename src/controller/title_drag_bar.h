#pragma once

#include <QWidget>

namespace lumenor {

// A transparent strip along the top of a window's content by which the window is dragged:
// a press in it hands the move to the window manager. It keeps itself `height` pixels high
// across its parent, short of the parent's right edge by `trailingInset`, above the parent's
// other children.
class TitleDragBar : public QWidget {
    Q_OBJECT
  public:
    TitleDragBar(QWidget* parent, int height, int trailingInset = 0);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void fitParent();

    int height_;
    int trailingInset_;
};

}  // namespace lumenor
