#include "displays/xrandr_display_platform.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSocketNotifier>

#include <bit>
#include <map>

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include "displays/edid.h"
#include "displays/qt_screens.h"
#include "displays/xrandr_mode.h"
#include "displays/xrandr_mode_apply.h"

namespace lumenor {

namespace {

using ResourcesPtr = std::unique_ptr<XRRScreenResources, decltype(&XRRFreeScreenResources)>;
using OutputPtr = std::unique_ptr<XRROutputInfo, decltype(&XRRFreeOutputInfo)>;
using CrtcPtr = std::unique_ptr<XRRCrtcInfo, decltype(&XRRFreeCrtcInfo)>;

ResourcesPtr resources(XrandrConnection& c) {
    return {XRRGetScreenResourcesCurrent(c.display(), c.root()), XRRFreeScreenResources};
}

OutputPtr outputInfo(XrandrConnection& c, XRRScreenResources* res, DisplayId id) {
    return {XRRGetOutputInfo(c.display(), res, id), XRRFreeOutputInfo};
}

CrtcPtr crtcInfo(XrandrConnection& c, XRRScreenResources* res, RRCrtc crtc) {
    return {XRRGetCrtcInfo(c.display(), res, crtc), XRRFreeCrtcInfo};
}

bool isActive(const XRROutputInfo* out) {
    return out != nullptr && out->connection == RR_Connected && out->crtc != None;
}

}  // namespace

// Reads RandR events from our connection on the main thread. The screen-change events and EDID
// changes read together are one notification: one change of mode may bring several (each of
// xrandr's requests, the screen's size and each CRTC's, sends its own), and each notification
// rebuilds the display list and places the output again.
class XrandrDisplayPlatform::Watch : public ChangeSubscription {
  public:
    Watch(XrandrConnection& c, std::function<void()> onChange)
        : connection_(c),
          onChange_(std::move(onChange)),
          notifier_(c.fd(), QSocketNotifier::Read),
          edidAtom_(XInternAtom(c.display(), "EDID", False)) {
        XRRSelectInput(c.display(), c.root(),
                       RRScreenChangeNotifyMask | RROutputPropertyNotifyMask);
        XFlush(c.display());
        QObject::connect(&notifier_, &QSocketNotifier::activated, [this] { drain(); });
        // Any request on this connection (a lookup, a refresh) may read an event off the
        // socket into Xlib's queue, where the notifier never sees it: Xlib calls us after
        // every request, and what was queued that way is handled from the event loop.
        watches()[c.display()] = this;
        XSetAfterFunction(c.display(), &afterRequest);
    }

    ~Watch() override {
        XSetAfterFunction(connection_.display(), nullptr);
        watches().erase(connection_.display());
        XRRSelectInput(connection_.display(), connection_.root(), 0);
        XFlush(connection_.display());
    }

  private:
    // The watch of each connection, for Xlib's after-request call (main thread only).
    static std::map<Display*, Watch*>& watches() {
        static std::map<Display*, Watch*> all;
        return all;
    }

    static int afterRequest(Display* dpy) {
        const auto it = watches().find(dpy);
        if (it != watches().end() && QLength(dpy) > 0) {
            it->second->drainSoon();
        }
        return 0;
    }

    void drainSoon() {
        if (drainPosted_) {
            return;
        }
        drainPosted_ = true;
        QMetaObject::invokeMethod(
            &notifier_,
            [this] {
                drainPosted_ = false;
                drain();
            },
            Qt::QueuedConnection);
    }

    void drain() {
        Display* dpy = connection_.display();
        // The queue is emptied whole each time, events read earlier included.
        bool changed = false;
        while (XPending(dpy) > 0) {
            XEvent ev;
            XNextEvent(dpy, &ev);
            XRRUpdateConfiguration(&ev);
            const int type = ev.type - connection_.eventBase();
            bool notify = type == RRScreenChangeNotify;
            if (type == RRNotify) {
                const auto* rr = reinterpret_cast<const XRRNotifyEvent*>(&ev);
                if (rr->subtype == RRNotify_OutputProperty) {
                    notify = reinterpret_cast<const XRROutputPropertyNotifyEvent*>(&ev)->property ==
                             edidAtom_;
                }
            }
            changed = changed || notify;
        }
        if (changed && onChange_) {
            onChange_();
        }
    }

    XrandrConnection& connection_;
    std::function<void()> onChange_;
    QSocketNotifier notifier_;
    Atom edidAtom_;
    bool drainPosted_ = false;
};

XrandrDisplayPlatform::XrandrDisplayPlatform(std::unique_ptr<XrandrConnection> connection)
    : connection_(std::move(connection)) {}

XrandrDisplayPlatform::~XrandrDisplayPlatform() = default;

std::optional<std::vector<DisplayId>> XrandrDisplayPlatform::activeDisplays() {
    const ResourcesPtr res = resources(*connection_);
    if (!res) {
        return std::nullopt;
    }
    std::vector<DisplayId> ids;
    for (int i = 0; i < res->noutput; ++i) {
        const OutputPtr out = outputInfo(*connection_, res.get(), res->outputs[i]);
        if (isActive(out.get())) {
            ids.push_back(static_cast<DisplayId>(res->outputs[i]));
        }
    }
    return ids;
}

std::optional<ModeInfo> XrandrDisplayPlatform::currentMode(DisplayId id) {
    const ResourcesPtr res = resources(*connection_);
    if (!res) {
        return std::nullopt;
    }
    const OutputPtr out = outputInfo(*connection_, res.get(), id);
    if (!isActive(out.get())) {
        return std::nullopt;
    }
    const CrtcPtr crtc = crtcInfo(*connection_, res.get(), out->crtc);
    if (!crtc || crtc->mode == None) {
        return std::nullopt;
    }
    const XRRModeInfo* mode = findMode(res.get(), crtc->mode);
    if (mode == nullptr) {
        return std::nullopt;
    }
    ModeInfo info = modeInfoFromXrandr(*mode);
    const QScreen* screen = qtScreenNamed(QString::fromLocal8Bit(out->name, out->nameLen));
    const double scale = screen != nullptr ? screen->devicePixelRatio() : 1.0;
    info.pointWidth = static_cast<std::int64_t>(static_cast<double>(info.pixelWidth) / scale);
    info.pointHeight = static_cast<std::int64_t>(static_cast<double>(info.pixelHeight) / scale);
    return info;
}

QString XrandrDisplayPlatform::connectorName(DisplayId id) {
    const ResourcesPtr res = resources(*connection_);
    if (!res) {
        return {};
    }
    const OutputPtr out = outputInfo(*connection_, res.get(), id);
    return out ? QString::fromLocal8Bit(out->name, out->nameLen) : QString();
}

bool XrandrDisplayPlatform::isBuiltin(DisplayId id) {
    return isBuiltinConnector(connectorName(id));
}

PhysicalSize XrandrDisplayPlatform::physicalSizeMM(DisplayId id) {
    // Xwayland makes sizes up (as many millimetres as pixels): better none than a false one.
    if (connection_->isXwayland()) {
        return {};
    }
    const ResourcesPtr res = resources(*connection_);
    if (!res) {
        return {};
    }
    const OutputPtr out = outputInfo(*connection_, res.get(), id);
    if (!out) {
        return {};
    }
    return {static_cast<double>(out->mm_width), static_cast<double>(out->mm_height)};
}

// Every head of an X screen shows its windows at the screen's depth: the bits a channel of the
// default visual (its red mask's width) are each display's.
int XrandrDisplayPlatform::bitsPerChannel(DisplayId) {
    Display* dpy = connection_->display();
    const int bits = std::popcount(DefaultVisual(dpy, DefaultScreen(dpy))->red_mask);
    return bits >= 10 ? 10 : 8;
}

bool XrandrDisplayPlatform::isQuarterTurned(DisplayId id) {
    return outputIsQuarterTurned(*connection_, id);
}

std::vector<ScreenEntry> XrandrDisplayPlatform::screens() {
    std::vector<ScreenEntry> list;
    const ResourcesPtr res = resources(*connection_);
    if (!res) {
        return list;
    }
    for (int i = 0; i < res->noutput; ++i) {
        const RROutput id = res->outputs[i];
        const OutputPtr out = outputInfo(*connection_, res.get(), id);
        if (!isActive(out.get())) {
            continue;
        }
        const QString connector = QString::fromLocal8Bit(out->name, out->nameLen);
        const QByteArray edid = connection_->outputProperty(id, "EDID").value_or(QByteArray());
        list.push_back({qtScreenNamed(connector), static_cast<DisplayId>(id),
                        screenNameForOutput(connector, edid), connector});
    }
    return list;
}

std::unique_ptr<ChangeSubscription> XrandrDisplayPlatform::observeChanges(
    std::function<void()> onChange) {
    return std::make_unique<Watch>(*connection_, std::move(onChange));
}

}  // namespace lumenor
