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

// What one change's read found: the state, and whether the compositor takes configurations.
struct MutterReading {
    MutterState state;
    bool applyAllowed = true;
};

// GNOME's display configuration service (org.gnome.Mutter.DisplayConfig) on a session bus.
// Copies share what a change's read found: while that change is being reported, they all
// answer from it instead of asking again.
class MutterDisplayConfig {
  public:
    explicit MutterDisplayConfig(QDBusConnection bus = QDBusConnection::sessionBus());

    // Whether the compositor serves display configuration on that bus.
    bool available() const;
    // The monitors, their modes and layout, with physical sizes; none (and why in `error`)
    // when the compositor does not answer. Asked anew unless a change is being reported.
    std::optional<MutterState> currentState(QString* error = nullptr) const;
    // Whether the compositor takes configurations from us at all. Asked anew unless a change is
    // being reported.
    bool applyAllowed() const;
    // Applies `config` for the desktop session only (nothing is saved), against the serial of
    // `basis`; false, with the compositor's reason in `error`, when it refuses.
    bool applyTemporarily(const MutterState& basis, const std::vector<MutterLogicalConfig>& config,
                          QString* error) const;
    // After each MonitorsChanged, reads the state (and whether configurations are taken) anew
    // without holding up the main thread, then calls `onChange` there, during which every copy
    // answers from that read; for as long as the returned subscription lives. Changes signalled
    // while a read is under way are covered by one more read once it ends.
    std::unique_ptr<ChangeSubscription> observeChanges(std::function<void()> onChange) const;

  private:
    QDBusConnection bus_;
    std::shared_ptr<std::optional<MutterReading>> reporting_;
};

// Receives MonitorsChanged (QtDBus delivers signals to slots only) and reads the state it
// announces.
class MutterChangeWatch : public QObject, public ChangeSubscription {
    Q_OBJECT

  public:
    MutterChangeWatch(QDBusConnection bus, std::shared_ptr<std::optional<MutterReading>> reporting,
                      std::function<void()> onChange);
    ~MutterChangeWatch() override;

  private slots:
    void monitorsChanged();

  private:
    void read();

    QDBusConnection bus_;
    std::shared_ptr<std::optional<MutterReading>> reporting_;
    std::function<void()> onChange_;
    bool reading_ = false;
    bool changedSince_ = false;
};

}  // namespace lumenor
