#pragma once

#include <QString>

// Makes a device known to the panel: the panel takes its port table from the
// section [Ports] of its settings file, entry ComN naming the device of port
// N. Sets that one entry, creating the file and the section when missing; all
// other bytes of the file stay as they were, and the file is replaced
// atomically, so a panel reading it at the same moment sees the old or the
// new file, never half of one. False with *error set when it cannot be saved.
bool registerPort(const QString &iniPath, int port, const QString &device, QString *error);

// Stores `port` as both models' port in the settings file, as the panel would
// save it; a file without settings gets the built-in ones first, as at the
// panel's first run. False when the file cannot be saved.
bool usePortForBothModels(const QString &iniPath, int port);
