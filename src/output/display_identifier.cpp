#include "output/display_identifier.h"

#include <QGuiApplication>
#include <QScreen>

#include <map>

#include "core/log.h"
#include "output/identify_view.h"
#include "output/overlay_window_flags.h"

namespace lumenor {

DisplayIdentifier::DisplayIdentifier() {
    timer_.setSingleShot(true);
    QObject::connect(&timer_, &QTimer::timeout, [this] { dismiss(); });
}

DisplayIdentifier::~DisplayIdentifier() = default;

bool DisplayIdentifier::canPlaceCards() {
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

const char* DisplayIdentifier::cannotPlaceCardsText() {
    return "numbered cards are not shown on a Wayland desktop: a window there cannot be put on "
           "a display of its choosing, and a card on the wrong display would misname it";
}

void DisplayIdentifier::show(const std::vector<DisplayInfo>& displays, double seconds) {
    if (!canPlaceCards()) {
        qCWarning(logDisplay, "%s", cannotPlaceCardsText());
        return;
    }
    // Cards being replaced still cover their displays, so their copies of the picture below
    // are the ones to keep.
    std::map<DisplayId, QImage> earlier;
    for (const auto& w : windows_) {
        earlier[w->info().id] = w->underneath();
    }
    dismiss();
    const bool composited = hasCompositor();
    int index = 0;
    for (const DisplayInfo& info : displays) {
        ++index;
        QScreen* screen = screenForDisplay ? screenForDisplay(info.id) : nullptr;
        if (screen == nullptr) {
            continue;
        }
        const QRect frame = screen->geometry();
        // Without a compositor a translucent window would not blend, so the card darkens a
        // copy of what the display shows now.
        QImage underneath;
        if (!composited) {
            const auto kept = earlier.find(info.id);
            underneath = kept != earlier.end() && !kept->second.isNull()
                             ? kept->second
                             : screen->grabWindow(0, 0, 0, frame.width(), frame.height()).toImage();
        }
        auto view = std::make_unique<IdentifyView>(index, info, std::move(underneath));
        view->setWindowFlags(overlayWindowFlags() | Qt::WindowTransparentForInput);
        view->setAttribute(Qt::WA_TranslucentBackground, composited);
        view->setAttribute(Qt::WA_ShowWithoutActivating);
        view->setWindowTitle(QStringLiteral("Lumenor identify %1").arg(index));
        view->setGeometry(frame);
        view->show();
        windows_.push_back(std::move(view));
    }
    const double ms = seconds * 1000.0;
    timer_.start(ms > 0.0 && ms < 2.0e9 ? static_cast<int>(ms) : 0);
}

void DisplayIdentifier::dismiss() {
    timer_.stop();
    windows_.clear();
}

}  // namespace lumenor
