#pragma once

#include <QLabel>
#include <QWidget>

#include "displays/display_info.h"

namespace lumenor {

// The card in the middle of the output that names the display, its mode and the frame
// meter's verdict.
class InfoCardView : public QWidget {
  public:
    explicit InfoCardView(QWidget* parent = nullptr);

    void showDisplay(const DisplayInfo& display);
    void showFrameStatus(int dropped, bool steady);
    // Sizes the card to its labels and centres it in a parent of this size.
    void placeIn(const QSize& parent);

    const QLabel& nameLabel() const { return name_; }
    const QLabel& resLabel() const { return res_; }
    const QLabel& fpsLabel() const { return fps_; }
    const QLabel& frameLabel() const { return frame_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QLabel name_;
    QLabel res_;
    QLabel fps_;
    QLabel frame_;
};

}  // namespace lumenor
