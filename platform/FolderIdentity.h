#pragma once

#include <QString>

// Names the folder itself rather than its path: a folder deleted and made
// again under the same name, or another folder put in its place, names
// differently. Empty when the platform cannot tell.
QString FolderIdentity(const QString& folder);
