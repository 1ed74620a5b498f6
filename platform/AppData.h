#pragma once

#include <QString>

// Makes the program's identity known to Qt (organization "Quillmoor",
// application "Velmarik"), which the folders and the settings follow.
void InitProgramIdentity();

// The folder of the state files, ending in a separator: the roaming
// application-data folder, then Quillmoor, then Velmarik, both created when
// missing. On failure shows "appdata folder get error" or "appdata folder
// create error" and returns false; while failures follow one another the
// learner is told only once.
bool GetAppDataFolder(QString& path);
