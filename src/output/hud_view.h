#pragma once

#include <QLabel>
#include <QPropertyAnimation>
#include <QTimer>
#include <QWidget>

class QGraphicsOpacityEffect;

namespace lumenor {

// The one-line banner at the bottom of the output; fades out a while after it is shown.
class HUDView : public QWidget {
  public:
    static constexpr int kWidth = 460;
    static constexpr int kHeight = 40;
    static constexpr int kBottomMargin = 36;

    explicit HUDView(QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return label_.text(); }
    // Fades in, and out again after `seconds`.
    void show(double seconds);
    // Keeps the banner centred, its bottom kBottomMargin above the parent's.
    void placeIn(const QSize& parent);
    double opacity() const;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QLabel label_;
    QGraphicsOpacityEffect* effect_;  // owned by this widget
    QPropertyAnimation fade_;
    QTimer fadeTimer_;
};

}  // namespace lumenor
