#include "app/keyboard_monitor.h"

#include <QApplication>
#include <QKeyEvent>

namespace lumenor {

namespace {

class KeyboardMonitor : public QObject {
  public:
    KeyboardMonitor(std::function<ShortcutContext()> context,
                    std::function<void(const Verb&)> handle)
        : context_(std::move(context)), handle_(std::move(handle)) {}
    ~KeyboardMonitor() override {
        if (QCoreApplication::instance() != nullptr) {
            QCoreApplication::instance()->removeEventFilter(this);
        }
    }
    KeyboardMonitor(const KeyboardMonitor&) = delete;
    KeyboardMonitor& operator=(const KeyboardMonitor&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) {
            return QObject::eventFilter(watched, event);
        }
        // A dialog of ours (the file dialog, About) or an open menu takes its keys as typed.
        if (QApplication::activeModalWidget() != nullptr ||
            QApplication::activePopupWidget() != nullptr) {
            return QObject::eventFilter(watched, event);
        }
        const auto* key = static_cast<QKeyEvent*>(event);
        const std::optional<Verb> verb = shortcutVerb(key->text(), key->modifiers(), context_());
        if (!verb) {
            return QObject::eventFilter(watched, event);
        }
        handle_(*verb);
        return true;
    }

  private:
    std::function<ShortcutContext()> context_;
    std::function<void(const Verb&)> handle_;
};

}  // namespace

std::optional<Verb> shortcutVerb(const QString& text, Qt::KeyboardModifiers modifiers,
                                 const ShortcutContext& context) {
    if (context.isEditing) {
        return std::nullopt;
    }
    if ((modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) != 0) {
        return std::nullopt;
    }
    const QString key = text.toLower();
    if (key == QLatin1String("b")) {
        return verbs::Blank{};
    }
    if (key == QLatin1String("c")) {
        return verbs::ShowPattern{QStringLiteral("calibration")};
    }
    if (key == QLatin1String("g")) {
        return verbs::ShowPattern{QStringLiteral("grid")};
    }
    if (key == QLatin1String("s")) {
        return verbs::ShowPattern{QStringLiteral("smpte")};
    }
    if (key == QLatin1String("p")) {
        return verbs::ShowPattern{QStringLiteral("pluge")};
    }
    if (key == QLatin1String("i")) {
        return verbs::IdentifyDisplays{};
    }
    if (key == QLatin1String("o")) {
        return verbs::ShowOutput{!context.outputVisible};
    }
    return std::nullopt;
}

std::unique_ptr<QObject> installKeyboardMonitor(std::function<ShortcutContext()> context,
                                                std::function<void(const Verb&)> handle) {
    auto monitor = std::make_unique<KeyboardMonitor>(std::move(context), std::move(handle));
    if (QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->installEventFilter(monitor.get());
    }
    return monitor;
}

}  // namespace lumenor
