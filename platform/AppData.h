#pragma once

#include <QString>

// Makes the program's identity known to Qt (organization "Quillmoor",
// application "Velmarik"), which the folders and the settings follow.
void InitProgramIdentity();

// The folder of the state files, ending in a separator: the folder the
// learner chose ("DataFolder"), read afresh at every call, or else the
// roaming application-data folder, then Quillmoor, then Velmarik, both
// created when missing. A chosen folder is never created: one that is gone
// (a sync drive not mounted) must not turn into an empty profile. On failure
// shows a message ("appdata folder get error", "appdata folder create
// error", or that the chosen folder is missing) and returns false; while
// failures follow one another the learner is told only once.
bool GetAppDataFolder(QString& path);

// The usual folder, ending in a separator, whether or not it exists yet.
QString DefaultAppDataFolder();

// The chosen folder as stored; empty when the usual one is used.
QString ChosenDataFolder();
// Whether a folder is chosen that is not there (or is no folder).
bool ChosenDataFolderIsMissing();

// At start, while the chosen folder is missing: asks the learner whether to
// look again, to go back to the usual folder (the data in the chosen one
// stays where it is) or to quit. False when the learner quits.
bool ResolveMissingDataFolder();

// "a/b" and "a/b/" are the same folder; the form the folder's lock, the
// setting and every comparison use.
QString CleanFolderPath(const QString& folder);
