#pragma once

#include <QImage>
#include <QLabel>
#include <QWidget>

#include <functional>

#include "displays/display_info.h"
#include "output/frame_status_text.h"

namespace lumenor {

// The card in the middle of the output that names the display, its mode and the frame
// meter's verdict. Never a window of its own: the output draws it into its frames.
class InfoCardView : public QWidget {
  public:
    InfoCardView();

    // Called whenever what the card shows changes.
    std::function<void()> onChanged;

    // The card is drawn into the output's frames only while shown.
    void setShown(bool shown);
    bool isShown() const { return shown_; }

    void showDisplay(const DisplayInfo& display);
    void showFrameStatus(int dropped, bool steady);
    void showFrameTimingUnavailable();
    // Sizes the card to its labels and centres it in a parent of this size.
    void placeIn(const QSize& parent);
    // The card's shadow, drawn under it where the card is placed.
    void paintShadow(QPainter& painter);

    const QLabel& nameLabel() const { return name_; }
    const QLabel& resLabel() const { return res_; }
    const QLabel& fpsLabel() const { return fps_; }
    const QLabel& frameLabel() const { return frame_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void showFrameText(const FrameStatusText& status);

    QLabel name_;
    QLabel res_;
    QLabel fps_;
    QLabel frame_;
    bool shown_ = false;
    QImage shadow_;  // for the card's current size
};

}  // namespace lumenor
