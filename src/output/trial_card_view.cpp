#include "output/trial_card_view.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPainter>
#include <QWindow>

#include <algorithm>

#include "output/overlay_palette.h"

namespace lumenor {

namespace {

// At 1080 lines; the card grows and shrinks with the display so that it reads from as far.
constexpr int kWidth = 780;
constexpr int kHeight = 210;
constexpr int kCountColumn = 200;
constexpr int kPadding = 28;

QFont fontOf(QFontDatabase::SystemFont kind, double pixels, QFont::Weight weight) {
    QFont font = QFontDatabase::systemFont(kind);
    font.setPixelSize(std::max(1, qRound(pixels)));
    font.setWeight(weight);
    return font;
}

}  // namespace

TrialCardView::TrialCardView() {
    // Not the identify cards' flags: this card takes the keyboard.
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                   Qt::X11BypassWindowManagerHint);
    setWindowTitle(QStringLiteral("Lumenor mode trial"));
    setFocusPolicy(Qt::StrongFocus);
}

double TrialCardView::scale() const {
    const double lines = screen_ ? screen_->geometry().height() : 1080.0;
    return std::clamp(lines / 1080.0, 0.6, 2.0);
}

void TrialCardView::place() {
    if (!screen_) {
        return;
    }
    const QRect area = screen_->geometry();
    const QSize size(qRound(kWidth * scale()), qRound(kHeight * scale()));
    setGeometry(QRect(area.center() - QPoint(size.width() / 2, size.height() / 2), size));
}

void TrialCardView::present(QScreen* screen, const TrialPrompt& prompt) {
    prompt_ = prompt;
    if (screen != screen_) {
        QObject::disconnect(followGeometry_);
        screen_ = screen;
        // The mode on trial changes the display's size after the card came up.
        followGeometry_ = connect(screen, &QScreen::geometryChanged, this, [this] { place(); });
    }
    if (windowHandle() == nullptr) {
        create();
    }
    windowHandle()->setScreen(screen);
    place();
    const bool comingUp = !isVisible();
    if (comingUp) {
        hadKeyboard_ = QApplication::activeWindow();
        show();
        qApp->installEventFilter(this);
    }
    // The output may have been put on this display again since, above the card.
    raise();
    if (comingUp) {
        takeKeyboard();
    }
    update();
}

void TrialCardView::takeKeyboard() {
    if (isVisible()) {
        activateWindow();
        setFocus();
    }
}

void TrialCardView::dismiss() {
    if (!isVisible()) {
        return;
    }
    const bool hadIt = isActiveWindow();
    qApp->removeEventFilter(this);
    hide();
    QObject::disconnect(followGeometry_);
    screen_ = nullptr;
    if (hadIt && hadKeyboard_ && hadKeyboard_->isVisible()) {
        hadKeyboard_->activateWindow();
    }
    hadKeyboard_ = nullptr;
}

bool TrialCardView::onThisDisplay(const QWidget* window) const {
    return window == this || (window != nullptr && screen_ && window->screen() == screen_);
}

bool TrialCardView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !onThisDisplay(QApplication::activeWindow())) {
        return QWidget::eventFilter(watched, event);
    }
    switch (static_cast<QKeyEvent*>(event)->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (onKeep) {
                onKeep();
            }
            return true;
        case Qt::Key_Escape:
            if (onRevert) {
                onRevert();
            }
            return true;
        default:
            return QWidget::eventFilter(watched, event);
    }
}

void TrialCardView::paintEvent(QPaintEvent*) {
    const double s = scale();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    // Opaque: without a compositor nothing below would show through anyway.
    p.fillRect(rect(), palette::deepInk());
    const double border = 3.0 * s;
    p.setPen(QPen(palette::iris(), border));
    p.drawRect(QRectF(rect()).adjusted(border / 2, border / 2, -border / 2, -border / 2));

    const QRectF countBox(kPadding * s, 0, kCountColumn * s - kPadding * s, height());
    p.setFont(fontOf(QFontDatabase::GeneralFont, 110 * s, QFont::Bold));
    p.setPen(palette::iris());
    p.drawText(countBox, Qt::AlignCenter, prompt_.count);

    const double left = kCountColumn * s;
    const double width = this->width() - left - kPadding * s;
    const auto line = [&](const QString& text, const QFont& font, const QColor& colour, double top,
                          double lineHeight) {
        p.setFont(font);
        p.setPen(colour);
        const QString shown =
            QFontMetricsF(font).elidedText(text, Qt::ElideRight, width, Qt::TextSingleLine);
        p.drawText(QRectF(left, top * s, width, lineHeight * s), Qt::AlignLeft | Qt::AlignVCenter,
                   shown);
    };
    line(prompt_.question, fontOf(QFontDatabase::GeneralFont, 28 * s, QFont::DemiBold),
         palette::paper(), 34, 40);
    line(prompt_.deadline, fontOf(QFontDatabase::GeneralFont, 20 * s, QFont::Normal),
         palette::slate(), 80, 30);
    line(prompt_.keys, fontOf(QFontDatabase::GeneralFont, 24 * s, QFont::DemiBold),
         palette::amber(), 138, 36);
}

}  // namespace lumenor
