#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "displays/display_platform.h"
#include "displays/mutter_display_state.h"

namespace lumenor {

// GNOME's display configuration service (org.gnome.Mutter.DisplayConfig) on a session bus.
class MutterDisplayConfig {
  public:
    explicit MutterDisplayConfig(QDBusConnection bus = QDBusConnection::sessionBus());

    // Whether the compositor serves display configuration on that bus.
    bool available() const;
    // The monitors, their modes and layout, with physical sizes; none (and why in `error`)
    // when the compositor does not answer.
    std::optional<MutterState> currentState(QString* error = nullptr) const;
    // Whether the compositor takes configurations from us at all.
    bool applyAllowed() const;
    // Applies `config` for the desktop session only (nothing is saved), against the serial of
    // `basis`; false, with the compositor's reason in `error`, when it refuses.
    bool applyTemporarily(const MutterState& basis, const std::vector<MutterLogicalConfig>& config,
                          QString* error) const;
    // Calls `onChange` on the main thread on each MonitorsChanged, for as long as the returned
    // subscription lives.
    std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) const;

  private:
    QDBusConnection bus_;
};

// Receives MonitorsChanged (QtDBus delivers signals to slots only).
class MutterChangeWatch : public QObject, public ChangeSubscription {
    Q_OBJECT

  public:
    MutterChangeWatch(QDBusConnection bus, std::function<void()> onChange);
    ~MutterChangeWatch() override;

  private slots:
    void monitorsChanged();

  private:
    QDBusConnection bus_;
    std::function<void()> onChange_;
};

}  // namespace lumenor
