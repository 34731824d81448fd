#pragma once

#include "TPrompts.h"

// The prompt service of the headless report output: nobody is there to answer. A dialog that offers
// a choice of items (a property "ItemIndex", the report chooser) gets the item the command line
// named and is accepted; any other dialog is a question nobody can answer and is rejected. Neither
// is shown.
class HeadlessPrompts : public TPrompts
{
public:
    explicit HeadlessPrompts(int itemIndex);
    int ShowModal(QDialog &dialog) override;

private:
    int m_itemIndex;
};
