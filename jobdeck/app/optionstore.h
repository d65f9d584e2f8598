// Saved settings of a print queue: the per-user option file that the filters
// read ("key=value" or "key=value;PPD default" lines) and the CUPS lpoptions
// defaults of the user.
//
// Apply strings the parts together: queueExists(queue), then collect the
// pages' settings, writeOptionFile(optionFilePath(queue), map), and
// setLpoptionsDefaults(queue, map); only when that succeeds does the desktop
// export follow.
#pragma once

#include <QMap>
#include <QMultiMap>
#include <QString>
#include <QStringList>

#include <cups/ppd.h>

// Option keyword or setting key -> value; a key may hold several values.
using SettingsMap = QMultiMap<QString, QString>;

// The per-user directory "<data dir>/<user>/", computed from VELMORA_DATA_DIR
// and USER on first use. Empty when no safe user name is known.
QString userDirectoryPath();
void setUserDirectoryPath(const QString& path);

// The file the pages read saved values from: normally the option file of the
// selected queue, a profile while one is being loaded, empty without a queue.
QString currentSettingsSource();
void setCurrentSettingsSource(const QString& path);

// "<per-user directory><queue>.cfg"; empty for a queue name that is no safe file name.
QString optionFilePath(const QString& queue);

// Creates the per-user directory and its missing parents (mode 0775).
bool ensureUserDirectory();

// Replaces the file at path with one line per value of map, each followed by
// ";" and the current PPD default when the key has one. Readers see the old or
// the new file, never a partial one. False when nothing could be written.
bool writeOptionFile(const QString& path, const SettingsMap& map);

bool optionFileExists(const QString& queue);

// The saved value of key in the current settings source, resolved against the
// current PPD defaults; a null string when there is none.
QString savedValue(const QString& key);

// Every stored part under key, in file order, without resolution.
QStringList savedValues(const QString& key);

// A stored "value[;saved default]" against the PPD defaults: an administrator's
// new default wins over the user's choice made under the old one.
QString resolveStoredValue(const QString& key, const QString& stored,
                           const QMap<QString, QString>& defaults);

// True when CUPS lists the queue among its destinations.
bool queueExists(const QString& queue);

// The lpoptions arguments for the queue: "-p queue" and one "-o keyword=value"
// per option of the PPD's top-level groups that has a non-empty value in map
// (the value added last wins).
QStringList lpoptionsArguments(const QString& queue, ppd_file_t* ppd, const SettingsMap& map);

// Fetches the queue's PPD, runs lpoptions with its arguments (no shell) and
// waits at most timeoutMs. True when lpoptions finished in time and succeeded.
bool setLpoptionsDefaults(const QString& queue, const SettingsMap& map, int timeoutMs = 30000);
