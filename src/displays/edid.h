#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

namespace lumenor {

// The monitor name (display descriptor 0xFC) of a base EDID block; none when the block is
// too short, has a bad header, or carries no name.
std::optional<QString> edidMonitorName(const QByteArray& edid);

// Connectors of a laptop's own panel.
bool isBuiltinConnector(const QString& connector);

// What the screen of an output is called: the EDID monitor name, else "Built-in Display" for
// the built-in panel, else the connector name.
QString screenNameForOutput(const QString& connector, const QByteArray& edid);

}  // namespace lumenor
