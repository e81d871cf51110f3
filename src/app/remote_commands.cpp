#include "app/remote_commands.h"

namespace lumenor {

namespace {

std::optional<QString> param(const RemoteParams& params, const char* name) {
    const auto it = params.find(QLatin1String(name));
    if (it == params.end()) {
        return std::nullopt;
    }
    return it->second;
}

}  // namespace

std::optional<Verb> verbForRemoteCommand(const QString& command, const RemoteParams& params) {
    if (command == QLatin1String("pattern")) {
        if (const std::optional<QString> name = param(params, "name")) {
            return verbs::ShowPattern{*name};
        }
        return std::nullopt;
    }
    if (command == QLatin1String("cycle")) {
        return verbs::CyclePattern{param(params, "delta") == QLatin1String("-1") ? -1 : 1};
    }
    if (command == QLatin1String("output")) {
        return verbs::ShowOutput{param(params, "on") == QLatin1String("1")};
    }
    if (command == QLatin1String("blank")) {
        return verbs::Blank{};
    }
    if (command == QLatin1String("identify")) {
        return verbs::IdentifyDisplays{};
    }
    // The trial's answers, as the controller page's Keep and Revert give them.
    if (command == QLatin1String("keep")) {
        return verbs::ConfirmMode{};
    }
    if (command == QLatin1String("revert")) {
        return verbs::RevertMode{};
    }
    return std::nullopt;
}

}  // namespace lumenor
