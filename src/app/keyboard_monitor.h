#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

#include "controller/verb.h"

namespace lumenor {

// What the single-letter shortcuts depend on.
struct ShortcutContext {
    bool isEditing = false;  // a text field of the controller page has the keyboard
    bool outputVisible = false;
};

// The verb a key press stands for, or none when the key is to be passed on: while editing,
// with Ctrl, Alt or Super held (Shift alone does not count), and for every key but b, c, g,
// s, p, i and o. `text` is what the key types.
std::optional<Verb> shortcutVerb(const QString& text, Qt::KeyboardModifiers modifiers,
                                 const ShortcutContext& context);

// Watches every key press of the application's windows before they do; a shortcut goes to
// `handle` and no further. Removed when the returned object is destroyed.
std::unique_ptr<QObject> installKeyboardMonitor(std::function<ShortcutContext()> context,
                                                std::function<void(const Verb&)> handle);

}  // namespace lumenor
