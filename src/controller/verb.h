#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <variant>

namespace lumenor {

// One command to the application core. Each case is a small value type; labelled arguments
// keep their labels as field names, unlabelled single values are called `value`.
namespace verbs {

struct SelectDisplay {
    std::uint32_t id = 0;  // a display identifier
    friend bool operator==(const SelectDisplay&, const SelectDisplay&) = default;
};
struct SelectOutputDisplay {
    std::uint32_t id = 0;
    friend bool operator==(const SelectOutputDisplay&, const SelectOutputDisplay&) = default;
};
struct ShowPattern {
    QString name;  // a pattern raw name, not checked here
    friend bool operator==(const ShowPattern&, const ShowPattern&) = default;
};
struct CyclePattern {
    std::int64_t delta = 1;
    friend bool operator==(const CyclePattern&, const CyclePattern&) = default;
};
struct ApplyMode {
    std::int32_t id = 0;  // a mode number
    friend bool operator==(const ApplyMode&, const ApplyMode&) = default;
};
struct ShowOutput {
    bool value = false;
    friend bool operator==(const ShowOutput&, const ShowOutput&) = default;
};
struct ShowInfo {
    bool value = false;
    friend bool operator==(const ShowInfo&, const ShowInfo&) = default;
};
struct SetBounceRate {
    double seconds = 0.0;
    friend bool operator==(const SetBounceRate&, const SetBounceRate&) = default;
};
struct SetAspectRatios {
    QStringList value;
    friend bool operator==(const SetAspectRatios&, const SetAspectRatios&) = default;
};
struct AutoCycle {
    bool on = false;
    double seconds = 2.0;
    friend bool operator==(const AutoCycle&, const AutoCycle&) = default;
};
struct OpenURL {
    QString value;
    friend bool operator==(const OpenURL&, const OpenURL&) = default;
};
struct SetAudio {
    QString signal = QStringLiteral("off");
    QString channels = QStringLiteral("both");
    bool invert = false;
    friend bool operator==(const SetAudio&, const SetAudio&) = default;
};
struct SetSyncOffset {
    double ms = 0.0;  // finite, not yet held to the allowed range
    friend bool operator==(const SetSyncOffset&, const SetSyncOffset&) = default;
};
struct SetTimecodeFps {
    std::int64_t value = 0;
    friend bool operator==(const SetTimecodeFps&, const SetTimecodeFps&) = default;
};
struct SetSlateText {
    QString value;
    friend bool operator==(const SetSlateText&, const SetSlateText&) = default;
};
struct SetVideoRange {
    QString value;  // "full" or "limited"
    friend bool operator==(const SetVideoRange&, const SetVideoRange&) = default;
};
struct SetEditing {
    bool value = false;
    friend bool operator==(const SetEditing&, const SetEditing&) = default;
};
struct SetMirror {
    bool value = false;
    friend bool operator==(const SetMirror&, const SetMirror&) = default;
};
struct SetRemote {
    bool value = false;
    friend bool operator==(const SetRemote&, const SetRemote&) = default;
};
struct SaveProfile {
    QString name;
    friend bool operator==(const SaveProfile&, const SaveProfile&) = default;
};
struct LoadProfile {
    QString name;
    friend bool operator==(const LoadProfile&, const LoadProfile&) = default;
};
struct DeleteProfile {
    QString name;
    friend bool operator==(const DeleteProfile&, const DeleteProfile&) = default;
};
struct TourEvent {
    bool skipped = false;
    friend bool operator==(const TourEvent&, const TourEvent&) = default;
};

// A calibration session with `program` ("resolve" or "argyll") at `address`; values left
// out are none, and the core checks them all.
struct StartCalibration {
    QString program;
    QString address;
    std::optional<std::uint32_t> display;
    std::optional<double> window;
    std::optional<double> background;
    std::optional<double> insertEvery;
    std::optional<double> insertFor;
    std::optional<double> insertGrey;
    friend bool operator==(const StartCalibration&, const StartCalibration&) = default;
};

// The cases without values.
struct Ready {
    friend bool operator==(const Ready&, const Ready&) = default;
};
struct ConfirmMode {
    friend bool operator==(const ConfirmMode&, const ConfirmMode&) = default;
};
struct RevertMode {
    friend bool operator==(const RevertMode&, const RevertMode&) = default;
};
struct Blank {
    friend bool operator==(const Blank&, const Blank&) = default;
};
struct IdentifyDisplays {
    friend bool operator==(const IdentifyDisplays&, const IdentifyDisplays&) = default;
};
struct PickSlateLogo {
    friend bool operator==(const PickSlateLogo&, const PickSlateLogo&) = default;
};
struct ClearSlateLogo {
    friend bool operator==(const ClearSlateLogo&, const ClearSlateLogo&) = default;
};
struct CopyReport {
    friend bool operator==(const CopyReport&, const CopyReport&) = default;
};
struct StopCalibration {
    friend bool operator==(const StopCalibration&, const StopCalibration&) = default;
};

}  // namespace verbs

// The cases in declaration order: those with values first, then those without. The
// controller window exposes this type as ControllerWindowController::Verb.
using Verb =
    std::variant<verbs::SelectDisplay, verbs::SelectOutputDisplay, verbs::ShowPattern,
                 verbs::CyclePattern, verbs::ApplyMode, verbs::ShowOutput, verbs::ShowInfo,
                 verbs::SetBounceRate, verbs::SetAspectRatios, verbs::AutoCycle, verbs::OpenURL,
                 verbs::SetAudio, verbs::SetSyncOffset, verbs::SetTimecodeFps, verbs::SetSlateText,
                 verbs::SetVideoRange, verbs::SetEditing, verbs::SetMirror, verbs::SetRemote,
                 verbs::SaveProfile, verbs::LoadProfile, verbs::DeleteProfile, verbs::TourEvent,
                 verbs::StartCalibration, verbs::Ready, verbs::ConfirmMode, verbs::RevertMode,
                 verbs::Blank, verbs::IdentifyDisplays, verbs::PickSlateLogo, verbs::ClearSlateLogo,
                 verbs::CopyReport, verbs::StopCalibration>;

inline constexpr std::size_t kVerbCount = std::variant_size_v<Verb>;

// The verb string of a case: exactly its case name ("selectDisplay", "tourEvent", ...).
QString verbName(const Verb& verb);

// The verb strings of all cases, indexed like Verb's alternatives.
const QStringList& verbNames();

}  // namespace lumenor
