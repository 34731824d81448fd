#include "TFrmMemo.h"

#include "TApplication.h"
#include "TPrompts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

TFrmMemo *FrmMemo = nullptr;

TFrmMemo::TFrmMemo(QObject *owner) : TForm(owner, QStringLiteral("FrmMemo"))
{
    setWindowFlags(Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint);
    SetCaption(QStringLiteral("FrmMemo"));
    resize(408, 277);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    Memo = new QPlainTextEdit(QStringLiteral("Memo"), this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(Memo, 1);
    PnlFooter = new QWidget(this);
    PnlFooter->setObjectName(QStringLiteral("PnlFooter"));
    PnlFooter->setFixedHeight(44);
    auto *footer = new QHBoxLayout(PnlFooter);
    footer->addStretch();
    BtnAceptar = new QPushButton(QStringLiteral("Aceptar"), PnlFooter);
    BtnAceptar->setObjectName(QStringLiteral("BtnAceptar"));
    footer->addWidget(BtnAceptar);
    layout->addWidget(PnlFooter);
    connect(BtnAceptar, &QPushButton::clicked, this, [this] {
        m_modalResult = mrOk;
        close();
    });
}

TFrmMemo::~TFrmMemo() = default;

int TFrmMemo::ShowModal()
{
    m_modalResult = mrNone;
    setWindowModality(Qt::ApplicationModal);
    if (QWidget *main = QApplication::activeWindow())
        move(main->geometry().center() - rect().center());
    show();
    Memo->setFocus();
    Application()->Prompts().RunModal(*this, [this] {
        QEventLoop loop;
        connect(this, &TFrmMemo::destroyed, &loop, &QEventLoop::quit);
        while (isVisible())
            loop.processEvents(QEventLoop::WaitForMoreEvents);
    });
    hide();
    return m_modalResult == mrNone ? mrCancel : m_modalResult;
}

void TFrmMemo::closeEvent(QCloseEvent *event)
{
    if (m_modalResult == mrNone)
        m_modalResult = mrCancel;
    TForm::closeEvent(event);
}

void TFrmMemo::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    TForm::keyPressEvent(event);
}
