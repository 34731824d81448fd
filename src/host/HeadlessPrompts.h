#pragma once

#include "TPrompts.h"

// The prompt service of the headless report output: nobody is there to answer. A dialog that offers
// a choice of items (a property "ItemIndex", the report chooser) gets the item the command line
// named and is accepted; any other dialog is a question nobody can answer and is rejected. Neither
// is shown; a modal window of the module closes without a result.
class HeadlessPrompts : public TPrompts
{
public:
    explicit HeadlessPrompts(int itemIndex);
    int ShowModal(QDialog &dialog) override;
    void RunModal(QWidget &, const std::function<void()> &) override {}

private:
    int m_itemIndex;
};
