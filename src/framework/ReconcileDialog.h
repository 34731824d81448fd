#pragma once

// Installs the desktop's answer to a row the server refused while saving: a message box that shows
// the server's reason and lets the user keep the change for a later save, discard it, or take the
// row as the server holds it now. Nothing is dropped without the user seeing why.
void InstallReconcileDialog();
