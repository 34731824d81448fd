#pragma once

#include "TForm.h"

class QPlainTextEdit;
class QPushButton;
class QWidget;

// The memo editor: a long text in a resizable dialog with "Aceptar" below it. Created once at
// load and reused; the caller fills Memo, shows it modally and reads Memo back on OK.
class TFrmMemo : public TForm
{
    Q_OBJECT
public:
    enum TModalResult { mrNone = 0, mrOk = 1, mrCancel = 2 };

    explicit TFrmMemo(QObject *owner);
    ~TFrmMemo() override;

    QPlainTextEdit *Memo = nullptr;
    QWidget *PnlFooter = nullptr;
    QPushButton *BtnAceptar = nullptr;

    // Shows the dialog centred on the main window and waits until it closes: mrOk through
    // "Aceptar", mrCancel through the window's close button or Escape. The wait goes through the
    // application's prompt service.
    int ShowModal();

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    int m_modalResult = mrNone;
};

extern TFrmMemo *FrmMemo;
