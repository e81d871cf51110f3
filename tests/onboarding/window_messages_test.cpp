#include <gtest/gtest.h>

#include <QVariantMap>

#include "onboarding/window_messages.h"

namespace lumenor {
namespace {

QVariantMap action(const QVariant& name) {
    return {{QStringLiteral("action"), name}};
}

TEST(EulaMessages, ThreeActionsOnTheirOwnHandler) {
    EXPECT_EQ(parseEulaMessage("qvEula", action("agree")), EulaAction::agree);
    EXPECT_EQ(parseEulaMessage("qvEula", action("quit")), EulaAction::quit);
    EXPECT_EQ(parseEulaMessage("qvEula", action("close")), EulaAction::close);
    EXPECT_FALSE(parseEulaMessage("qvEula", action("Agree")));
    EXPECT_FALSE(parseEulaMessage("qvEula", action(1)));
    EXPECT_FALSE(parseEulaMessage("qvEula", QVariantMap{}));
    EXPECT_FALSE(parseEulaMessage("qvEula", QString("agree")));
    EXPECT_FALSE(parseEulaMessage("qvPrefs", action("agree")));
    EXPECT_FALSE(parseEulaMessage("bridge", action("agree")));
}

TEST(PrefsMessages, TelemetryIsOnOnlyForBooleanTrue) {
    auto telemetry = [](const QVariant& value) {
        QVariantMap body = action("setTelemetry");
        if (value.isValid()) {
            body.insert("value", value);
        }
        const std::optional<PrefsRequest> r = parsePrefsMessage("qvPrefs", body);
        EXPECT_TRUE(r && r->kind == PrefsRequest::Kind::setTelemetry);
        return r && r->value;
    };
    EXPECT_TRUE(telemetry(true));
    EXPECT_FALSE(telemetry(false));
    EXPECT_FALSE(telemetry(QVariant()));
    EXPECT_FALSE(telemetry(QString("yes")));
    EXPECT_FALSE(telemetry(1));

    QVariantMap updates = action("setAutomaticUpdates");
    updates.insert("value", true);
    const std::optional<PrefsRequest> on = parsePrefsMessage("qvPrefs", updates);
    ASSERT_TRUE(on);
    EXPECT_EQ(on->kind, PrefsRequest::Kind::setAutomaticUpdates);
    EXPECT_TRUE(on->value);
    updates.insert("value", "true");
    EXPECT_FALSE(parsePrefsMessage("qvPrefs", updates)->value);

    const std::optional<PrefsRequest> replay =
        parsePrefsMessage("qvPrefs", action("replayTutorial"));
    ASSERT_TRUE(replay);
    EXPECT_EQ(replay->kind, PrefsRequest::Kind::replayTutorial);
    EXPECT_FALSE(parsePrefsMessage("qvPrefs", action("reset")));
    EXPECT_FALSE(parsePrefsMessage("qvEula", action("replayTutorial")));
    EXPECT_FALSE(parsePrefsMessage("qvPrefs", QVariantList{}));
}

// The telemetry script is proven in the preferences window; the window tests show no updates
// switch.
TEST(PrefsMessages, UpdatesInitScriptTextIsExact) {
    EXPECT_EQ(updatesInitScript(true),
              "window.__qvUpdatesInit && window.__qvUpdatesInit({automatic:true});");
}

}  // namespace
}  // namespace lumenor
