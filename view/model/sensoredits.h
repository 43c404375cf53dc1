#pragma once
// The Sensors dialog's changes written into the settings file: key by key, in one pass, every
// other line kept as written.

#include <QByteArray>
#include <QMap>
#include <QString>

namespace view {
inline namespace model {

/// Changes to the sensor and limit sections, as the Sensors dialog makes them: by section
/// (kLimitsSection, or a sensor's name as the charts write it), each key changed ("Name" or a
/// field's key) with its new text; an empty text removes the key.
using SensorEdits = QMap<QString, QMap<QString, QString>>;
/// The contents with the edits written in, in one pass: a key's line replaced where it is set
/// (a key new to a section after the section's last line), every line of it in its section
/// removed where it is cleared (a later one would be read instead), a section added at the end
/// where it is new and removed where it is left empty (unless another of its name follows).
/// Only the first section of a name is changed, as only it is read. Nothing else changes:
/// lines the reader could not use, other keys and sections stay as they are written.
QByteArray withSensorEdits(const QByteArray& contents, const SensorEdits& edits);
/// Writes the edits into the file at path (a regular file, or none yet) through a temporary
/// file; false with error set when it cannot be read or written.
bool writeSensorEdits(const QString& path, const SensorEdits& edits, QString& error);

} // namespace model
} // namespace view
