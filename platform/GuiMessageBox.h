#pragma once

// Routes ShowMessageBox to a modal QMessageBox captioned "Velmarik", owned by
// the active window.
void InstallGuiMessageBox();
