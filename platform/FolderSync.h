#pragma once

#include <QString>

// Makes a rename in the folder that holds `path` durable: without it a power
// cut can leave the folder naming the old file although the new one's data
// reached the disk. Does nothing where the platform has no such need.
void SyncFolderOf(const QString& path);
