#pragma once

class QMenu;

// Gives every entry of the menu and its submenus an access key of its own:
// an entry whose shortcut is a single letter takes that letter, so that the
// key shown beside it also picks it in the open menu; one with a key of its
// own keeps it; the rest take the first letter still free in their menu.
// Keys already taken are never given twice. Safe to run again when entries
// were added.
void AssignAccessKeys(QMenu* menu);
