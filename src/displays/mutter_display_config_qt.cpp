#include "displays/mutter_display_config_qt.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QVariantMap>

namespace lumenor {

namespace {

const QString kService = QStringLiteral("org.gnome.Mutter.DisplayConfig");
const QString kPath = QStringLiteral("/org/gnome/Mutter/DisplayConfig");
const QString kInterface = QStringLiteral("org.gnome.Mutter.DisplayConfig");
constexpr int kTimeoutMs = 5000;
constexpr std::uint32_t kMethodTemporary = 1;

// What ApplyMonitorsConfig takes: a(iiduba(ssa{sv})).
struct MonitorArg {
    QString connector;
    QString mode;
    QVariantMap properties;
};
struct LogicalArg {
    int x = 0;
    int y = 0;
    double scale = 1.0;
    uint transform = 0;
    bool primary = false;
    QList<MonitorArg> monitors;
};

}  // namespace

}  // namespace lumenor

Q_DECLARE_METATYPE(lumenor::MonitorArg)
Q_DECLARE_METATYPE(lumenor::LogicalArg)

namespace lumenor {

namespace {

QDBusArgument& operator<<(QDBusArgument& a, const MonitorArg& m) {
    a.beginStructure();
    a << m.connector << m.mode << m.properties;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, MonitorArg& m) {
    a.beginStructure();
    a >> m.connector >> m.mode >> m.properties;
    a.endStructure();
    return a;
}
QDBusArgument& operator<<(QDBusArgument& a, const LogicalArg& l) {
    a.beginStructure();
    a << l.x << l.y << l.scale << l.transform << l.primary << l.monitors;
    a.endStructure();
    return a;
}
const QDBusArgument& operator>>(const QDBusArgument& a, LogicalArg& l) {
    a.beginStructure();
    a >> l.x >> l.y >> l.scale >> l.transform >> l.primary >> l.monitors;
    a.endStructure();
    return a;
}

QDBusMessage methodCall(const QString& method) {
    return QDBusMessage::createMethodCall(kService, kPath, kInterface, method);
}

QDBusMessage applyAllowedQuestion() {
    QDBusMessage m = QDBusMessage::createMethodCall(
        kService, kPath, QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    m << kInterface << QStringLiteral("ApplyMonitorsConfigAllowed");
    return m;
}

bool readApplyAllowed(const QDBusMessage& reply) {
    // An older compositor without the property takes configurations.
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty()) {
        return true;
    }
    return reply.arguments().at(0).value<QDBusVariant>().variant().toBool();
}

QDBusMessage call(const QDBusConnection& bus, const QString& method,
                  const QVariantList& args = {}) {
    QDBusMessage m = methodCall(method);
    m.setArguments(args);
    return bus.call(m, QDBus::Block, kTimeoutMs);
}

QVariantMap readMap(const QVariant& v) {
    if (v.canConvert<QDBusArgument>()) {
        QVariantMap map;
        v.value<QDBusArgument>() >> map;
        return map;
    }
    return v.toMap();
}

MutterMonitorSpec readSpec(const QDBusArgument& a) {
    MutterMonitorSpec s;
    a.beginStructure();
    a >> s.connector >> s.vendor >> s.product >> s.serial;
    a.endStructure();
    return s;
}

std::vector<MutterMonitor> readMonitors(const QDBusArgument& a) {
    std::vector<MutterMonitor> monitors;
    a.beginArray();
    while (!a.atEnd()) {
        MutterMonitor monitor;
        a.beginStructure();
        monitor.spec = readSpec(a);
        a.beginArray();
        while (!a.atEnd()) {
            MutterMode mode;
            double preferredScale = 1.0;
            QList<double> scales;
            QVariantMap properties;
            a.beginStructure();
            a >> mode.id >> mode.width >> mode.height >> mode.refreshHz >> preferredScale >>
                scales >> properties;
            a.endStructure();
            mode.isCurrent = properties.value(QStringLiteral("is-current")).toBool();
            mode.isPreferred = properties.value(QStringLiteral("is-preferred")).toBool();
            monitor.modes.push_back(mode);
        }
        a.endArray();
        QVariantMap properties;
        a >> properties;
        a.endStructure();
        monitor.isBuiltin = properties.value(QStringLiteral("is-builtin")).toBool();
        monitor.underscanning = properties.value(QStringLiteral("is-underscanning")).toBool();
        monitor.displayName = properties.value(QStringLiteral("display-name")).toString();
        monitors.push_back(std::move(monitor));
    }
    a.endArray();
    return monitors;
}

std::vector<MutterLogicalMonitor> readLogicalMonitors(const QDBusArgument& a) {
    std::vector<MutterLogicalMonitor> logical;
    a.beginArray();
    while (!a.atEnd()) {
        MutterLogicalMonitor l;
        a.beginStructure();
        a >> l.x >> l.y >> l.scale >> l.transform >> l.primary;
        a.beginArray();
        while (!a.atEnd()) {
            l.connectors.push_back(readSpec(a).connector);
        }
        a.endArray();
        QVariantMap properties;
        a >> properties;
        a.endStructure();
        logical.push_back(std::move(l));
    }
    a.endArray();
    return logical;
}

// Physical sizes are in the older GetResources answer, by output (connector) name.
void addPhysicalSizes(const QDBusMessage& reply, std::vector<MutterMonitor>& monitors) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() < 3) {
        return;
    }
    const auto outputs = reply.arguments().at(2).value<QDBusArgument>();
    outputs.beginArray();
    while (!outputs.atEnd()) {
        uint id = 0;
        qlonglong winsysId = 0;
        int crtc = 0;
        QList<uint> crtcs;
        QString name;
        QList<uint> modes;
        QList<uint> clones;
        QVariantMap properties;
        outputs.beginStructure();
        outputs >> id >> winsysId >> crtc >> crtcs >> name >> modes >> clones >> properties;
        outputs.endStructure();
        for (MutterMonitor& m : monitors) {
            if (m.spec.connector == name) {
                m.physicalSizeMM = {properties.value(QStringLiteral("width-mm")).toDouble(),
                                    properties.value(QStringLiteral("height-mm")).toDouble()};
            }
        }
    }
    outputs.endArray();
}

// The state from the answers to GetCurrentState and GetResources.
std::optional<MutterState> readState(const QDBusMessage& reply, const QDBusMessage& resources,
                                     QString* error) {
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().size() != 4 ||
        reply.signature() !=
            QStringLiteral("ua((ssss)a(siiddada{sv})a{sv})a(iiduba(ssss)a{sv})a{sv}")) {
        if (error != nullptr) {
            *error = reply.type() == QDBusMessage::ErrorMessage
                         ? reply.errorMessage()
                         : QStringLiteral("an answer of another form (%1)").arg(reply.signature());
        }
        return std::nullopt;
    }
    MutterState state;
    const QVariantList args = reply.arguments();
    state.serial = args.at(0).toUInt();
    state.monitors = readMonitors(args.at(1).value<QDBusArgument>());
    state.logicalMonitors = readLogicalMonitors(args.at(2).value<QDBusArgument>());
    const QVariantMap properties = readMap(args.at(3));
    state.layoutMode = properties.value(QStringLiteral("layout-mode"), 1U).toUInt();
    state.layoutModeChangeable =
        properties.value(QStringLiteral("supports-changing-layout-mode")).toBool();
    addPhysicalSizes(resources, state.monitors);
    return state;
}

}  // namespace

MutterDisplayConfig::MutterDisplayConfig(QDBusConnection bus)
    : bus_(std::move(bus)), reporting_(std::make_shared<std::optional<MutterReading>>()) {
    qDBusRegisterMetaType<MonitorArg>();
    qDBusRegisterMetaType<QList<MonitorArg>>();
    qDBusRegisterMetaType<LogicalArg>();
    qDBusRegisterMetaType<QList<LogicalArg>>();
}

bool MutterDisplayConfig::available() const {
    return bus_.isConnected() && bus_.interface() != nullptr &&
           bus_.interface()->isServiceRegistered(kService).value();
}

std::optional<MutterState> MutterDisplayConfig::currentState(QString* error) const {
    if (*reporting_) {
        return (*reporting_)->state;
    }
    const QDBusMessage reply = call(bus_, QStringLiteral("GetCurrentState"));
    return readState(reply, call(bus_, QStringLiteral("GetResources")), error);
}

bool MutterDisplayConfig::applyAllowed() const {
    if (*reporting_) {
        return (*reporting_)->applyAllowed;
    }
    return readApplyAllowed(bus_.call(applyAllowedQuestion(), QDBus::Block, kTimeoutMs));
}

bool MutterDisplayConfig::applyTemporarily(const MutterState& basis,
                                           const std::vector<MutterLogicalConfig>& config,
                                           QString* error) const {
    QList<LogicalArg> logical;
    for (const MutterLogicalConfig& c : config) {
        LogicalArg l{c.x, c.y, c.scale, c.transform, c.primary, {}};
        for (const MutterMonitorConfig& m : c.monitors) {
            QVariantMap properties;
            if (m.underscanning) {
                properties.insert(QStringLiteral("underscanning"), true);
            }
            l.monitors.push_back({m.connector, m.modeId, properties});
        }
        logical.push_back(l);
    }
    QVariantMap properties;
    if (basis.layoutModeChangeable) {
        properties.insert(QStringLiteral("layout-mode"), basis.layoutMode);
    }
    const QDBusMessage reply =
        call(bus_, QStringLiteral("ApplyMonitorsConfig"),
             {basis.serial, kMethodTemporary, QVariant::fromValue(logical), properties});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        if (error != nullptr) {
            *error = reply.errorMessage();
        }
        return false;
    }
    return true;
}

std::unique_ptr<ChangeSubscription> MutterDisplayConfig::observeChanges(
    std::function<void()> onChange) const {
    return std::make_unique<MutterChangeWatch>(bus_, reporting_, std::move(onChange));
}

MutterChangeWatch::MutterChangeWatch(QDBusConnection bus,
                                     std::shared_ptr<std::optional<MutterReading>> reporting,
                                     std::function<void()> onChange)
    : bus_(std::move(bus)), reporting_(std::move(reporting)), onChange_(std::move(onChange)) {
    bus_.connect(kService, kPath, kInterface, QStringLiteral("MonitorsChanged"), this,
                 SLOT(monitorsChanged()));
}

MutterChangeWatch::~MutterChangeWatch() {
    bus_.disconnect(kService, kPath, kInterface, QStringLiteral("MonitorsChanged"), this,
                    SLOT(monitorsChanged()));
}

void MutterChangeWatch::monitorsChanged() {
    if (reading_) {
        changedSince_ = true;
        return;
    }
    read();
}

// The three questions go out at once, and the main thread goes on (drawing the output at its
// new size) while the compositor, busy with the change itself, answers.
void MutterChangeWatch::read() {
    reading_ = true;
    changedSince_ = false;
    auto* state = new QDBusPendingCallWatcher(
        bus_.asyncCall(methodCall(QStringLiteral("GetCurrentState")), kTimeoutMs), this);
    auto* resources = new QDBusPendingCallWatcher(
        bus_.asyncCall(methodCall(QStringLiteral("GetResources")), kTimeoutMs), this);
    auto* allowed =
        new QDBusPendingCallWatcher(bus_.asyncCall(applyAllowedQuestion(), kTimeoutMs), this);
    const auto answered = [this, state, resources, allowed] {
        if (!state->isFinished() || !resources->isFinished() || !allowed->isFinished()) {
            return;
        }
        std::optional<MutterState> read = readState(state->reply(), resources->reply(), nullptr);
        const bool applyAllowed = readApplyAllowed(allowed->reply());
        // Another watcher's signal may be on its way: this read is over.
        for (QDBusPendingCallWatcher* w : {state, resources, allowed}) {
            w->disconnect(this);
            w->deleteLater();
        }
        reading_ = false;
        if (changedSince_) {
            this->read();
            return;
        }
        if (onChange_) {
            // Where the compositor did not answer, questions during the report ask again.
            if (read) {
                *reporting_ = MutterReading{std::move(*read), applyAllowed};
            }
            onChange_();
            reporting_->reset();
        }
    };
    for (QDBusPendingCallWatcher* w : {state, resources, allowed}) {
        connect(w, &QDBusPendingCallWatcher::finished, this, answered);
    }
}

}  // namespace lumenor
