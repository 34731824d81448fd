#pragma once

class QDialog;

// The one way the module asks the user something through a dialog of its own (the report chooser):
// the application object holds the prompt service in force. The desktop runs the dialog modally; a
// host without a user (the headless report output) or a test installs one that answers instead.
class TPrompts
{
public:
    virtual ~TPrompts() = default;
    // Runs the dialog modally and returns its result (QDialog::Accepted or Rejected). An answering
    // service sets what a user would have set on the dialog's properties before returning.
    virtual int ShowModal(QDialog &dialog);
};
