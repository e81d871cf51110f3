#pragma once

#include <QLabel>
#include <QTimer>
#include <QVariantAnimation>
#include <QWidget>

#include <functional>

namespace lumenor {

// The one-line banner at the bottom of the output; fades out a while after it is shown.
// It is never a window of its own: the output draws it into its frames at its opacity.
class HUDView : public QWidget {
  public:
    static constexpr int kWidth = 460;
    static constexpr int kHeight = 40;
    static constexpr int kBottomMargin = 36;

    HUDView();

    // Called whenever the banner's text or opacity changes.
    std::function<void()> onChanged;

    void setText(const QString& text);
    QString text() const { return label_.text(); }
    // Fades in, and out again after `seconds`.
    void show(double seconds);
    // Keeps the banner centred, its bottom kBottomMargin above the parent's.
    void placeIn(const QSize& parent);
    double opacity() const { return opacity_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    void fadeTo(double opacity, int ms);

    QLabel label_;
    QVariantAnimation fade_;
    QTimer fadeTimer_;
    double opacity_ = 0.0;
};

}  // namespace lumenor
