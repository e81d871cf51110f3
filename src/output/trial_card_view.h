#pragma once

#include <QPointer>
#include <QScreen>
#include <QWidget>

#include <functional>

#include "output/trial_prompt.h"

namespace lumenor {

// The card in the middle of a display whose mode is on trial: the count, the mode and what
// Enter and Escape do. A window of its own above everything on that display, the output
// included, that takes the keyboard when it comes up. While it is up, Enter and Escape answer
// the trial in any window of the application on that display, so that a window put back on
// it (the output after the display's change) does not take the keys the card names.
class TrialCardView : public QWidget {
  public:
    TrialCardView();

    std::function<void()> onKeep;
    std::function<void()> onRevert;

    // Puts the card on `screen` with these words, above whatever is there; it takes the
    // keyboard only as it comes up, so that a later count does not take it back.
    void present(QScreen* screen, const TrialPrompt& prompt);
    // Takes the keyboard again while the card is up.
    void takeKeyboard();
    // Takes the card away; the window that had the keyboard before it gets it back.
    void dismiss();
    const TrialPrompt& prompt() const { return prompt_; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void place();
    double scale() const;
    bool onThisDisplay(const QWidget* window) const;

    TrialPrompt prompt_;
    QPointer<QScreen> screen_;
    QMetaObject::Connection followGeometry_;
    QPointer<QWidget> hadKeyboard_;
};

}  // namespace lumenor
