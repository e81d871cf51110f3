#pragma once

#include <QImage>
#include <QWidget>

#include "displays/display_info.h"

namespace lumenor {

// One identify card over a display: its position in the list, name and resolution, over
// the display's own picture, darkened.
class IdentifyView : public QWidget {
  public:
    // `underneath` is what the display showed when the card opened; it stands in for the
    // picture below where no compositor blends translucent windows. Null: rely on one.
    IdentifyView(int index, DisplayInfo info, QImage underneath);

    int index() const { return index_; }
    const DisplayInfo& info() const { return info_; }
    const QImage& underneath() const { return underneath_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    int index_;
    DisplayInfo info_;
    QImage underneath_;
};

}  // namespace lumenor
