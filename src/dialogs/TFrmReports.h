#pragma once

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QLabel;
class QPushButton;

// The report chooser: a banner, the radio group "Reportes" with the five reports and the buttons
// "Aceptar" (closes with QDialog::Accepted) and "Cancelar". It lives for one dispatch; the item
// chosen is read through ItemIndex, which is also a property, so the one who answers in place of a
// user (the headless report output) can choose an item.
class TFrmReports : public QDialog
{
    Q_OBJECT
    Q_PROPERTY(int ItemIndex READ ItemIndex WRITE SetItemIndex)
public:
    explicit TFrmReports(QWidget *owner);

    // The chosen item, 0 to 4; -1 when none is.
    int ItemIndex() const;
    // Any other index leaves no item chosen.
    void SetItemIndex(int index);

    QLabel *ImgBanner = nullptr;
    QGroupBox *RGrpOpcRepo = nullptr;
    QButtonGroup *RGrpOpcRepoItems = nullptr;
    QPushButton *BtnAceptar = nullptr;
    QPushButton *BtnCancelar = nullptr;
};
