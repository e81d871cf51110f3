#pragma once

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

#include "app/app_delegate.h"
#include "audio/fake_audio_stream.h"
#include "controller/page_calls.h"
#include "displays/fake_display_platform.h"
#include "displays/fake_mode_platform.h"
#include "support/manual_refresh_links.h"
#include "support/mode_info.h"
#include "support/wait.h"

// Page scripts in failure messages as text.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace lumenor::test {

// Displays whose current modes are those of the mode platform, as on a real server.
class LinkedDisplayPlatform : public FakeDisplayPlatform {
  public:
    explicit LinkedDisplayPlatform(FakeModePlatform& modes) : modes_(modes) {}
    std::optional<ModeInfo> currentMode(DisplayId id) override { return modes_.currentMode(id); }

  private:
    FakeModePlatform& modes_;
};

// The JSON object the page call `script` to `function` carries.
inline QJsonObject argumentOf(const QString& script, QLatin1String function) {
    const QString prefix = QStringLiteral("window.%1(").arg(function);
    EXPECT_TRUE(script.startsWith(prefix) && script.endsWith(QLatin1Char(')')))
        << script.toStdString();
    return QJsonDocument::fromJson(script.mid(prefix.size()).chopped(1).toUtf8()).object();
}

// The desktop application and its core over fakes: two displays on the one offscreen screen, a
// built-in panel (1) and an external "Projector" (2); every page script is recorded.
class AppFixture : public ::testing::Test {
  protected:
    static constexpr DisplayId kPanel = 1;
    static constexpr DisplayId kProjector = 2;

    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        platforms_ = DesktopPlatforms{};
        AppPlatforms& p = platforms_.core;
        auto modes = std::make_unique<FakeModePlatform>();
        modes_ = modes.get();
        modes_->displays[kPanel] = {std::vector<ModeInfo>{mode(10, 2880, 1800, 60.0)}, 10};
        modes_->displays[kProjector] = {
            std::vector<ModeInfo>{mode(20, 1920, 1080, 60.0), mode(21, 1920, 1080, 50.0),
                                  mode(22, 1280, 720, 60.0), mode(23, 3840, 2160, 30.0)},
            20};
        auto displays = std::make_unique<LinkedDisplayPlatform>(*modes_);
        displays_ = displays.get();
        QScreen* screen = QGuiApplication::primaryScreen();
        displays_->displays = {{kPanel, std::nullopt, true, {}, false},
                               {kProjector, std::nullopt, false, {527, 296}, false}};
        displays_->screenList = {{screen, kPanel, QStringLiteral("Built-in Display"), "eDP-1"},
                                 {screen, kProjector, QStringLiteral("Projector"), "HDMI-1"}};
        p.display = std::move(displays);
        p.mode = std::move(modes);
        p.refreshLinks = std::make_unique<ManualLinks>();
        p.signalStream = std::make_unique<FakeAudioStream>(&signal_);
        p.clickStream = std::make_unique<FakeAudioStream>(&clicks_);
        p.settings = std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat);
        p.preferences = std::make_unique<QSettings>(settingsFile(), QSettings::IniFormat);
        p.supportFolder = dir_.filePath(QStringLiteral("support"));
        p.remote.localAddress = [] { return std::optional<QString>(QStringLiteral("10.0.0.7")); };
        p.copyToClipboard = [this](const QString& text) { clipboard_ << text; };
        p.pickSlateImage = [this](auto done) { pendingPick_ = std::move(done); };
        p.openUrl = [this](const QUrl& url) { opened_ << url.toString(); };
        p.wake = std::make_unique<WakeSource>();
        wake_ = p.wake.get();
        platforms_.askAgreement = [] { return true; };
        platforms_.page = [this](const QString& script) { page_ << script; };
    }

    void TearDown() override { app_.reset(); }

    // Builds the application and runs its launch sequence, which agrees when asked; the
    // scripts sent so far are dropped.
    AppCore& launch() {
        app_ = std::make_unique<AppDelegate>(std::move(platforms_));
        EXPECT_TRUE(app_->applicationDidFinishLaunching());
        page_.clear();
        return app_->core();
    }

    // The scripts sent by one verb.
    QStringList run(const Verb& verb) {
        page_.clear();
        app_->core().handle(verb);
        return page_;
    }

    QString settingsFile() const { return dir_.filePath(QStringLiteral("settings.ini")); }

    static QString pattern(const char* name) {
        return pagecalls::patternChanged(QLatin1String(name));
    }
    static QString shown(bool on) { return pagecalls::outputVisibilityChanged(on); }
    static QString info(bool on) { return pagecalls::infoVisibilityChanged(on); }
    static QString cycling(bool on) {
        return QLatin1String(on ? pagecalls::kAutoCycleOn : pagecalls::kAutoCycleOff);
    }

    QTemporaryDir dir_;
    FakeModePlatform* modes_ = nullptr;
    LinkedDisplayPlatform* displays_ = nullptr;
    FakeAudioStream::Log signal_;
    FakeAudioStream::Log clicks_;
    DesktopPlatforms platforms_;
    std::unique_ptr<AppDelegate> app_;
    QStringList page_;
    QStringList clipboard_;
    QStringList opened_;
    std::function<void(const std::optional<QString>&)> pendingPick_;
    WakeSource* wake_ = nullptr;
};

}  // namespace lumenor::test
