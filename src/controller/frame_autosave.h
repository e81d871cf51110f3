#pragma once

#include <QObject>
#include <QString>

class QWidget;

namespace lumenor {

// Keeps a top-level window's frame in the user's settings under `name`: restore() puts the
// window where it was last left (false when nothing usable is stored), and the frame is
// saved again each time the window is hidden or closed.
class FrameAutosave : public QObject {
  public:
    FrameAutosave(QWidget* window, QString name);

    bool restore();
    void save();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    QWidget* window_;
    QString name_;
};

// Centres a top-level window on the screen it is on (the primary screen before it is shown).
void centreOnScreen(QWidget* window);

}  // namespace lumenor
