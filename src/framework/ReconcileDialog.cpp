#include "ReconcileDialog.h"

#include "TApplication.h"
#include "TPrompts.h"
#include "dataset/SClientDataSet.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>

void InstallReconcileDialog()
{
    if (SClientDataSet::ReconcileErrorHook)
        return;
    SClientDataSet::ReconcileErrorHook = [](TDataSet &, const EReconcileError &E, TUpdateKind kind,
                                            TReconcileAction &action) {
        const QString what = kind == TUpdateKind::ukInsert   ? QStringLiteral("agregar")
                             : kind == TUpdateKind::ukDelete ? QStringLiteral("eliminar")
                                                             : QStringLiteral("modificar");
        QMessageBox box(QMessageBox::Warning, QGuiApplication::applicationDisplayName(),
                        QStringLiteral("El servidor no aceptó %1 un registro:\n\n%2").arg(what, E.Message()));
        QPushButton *keep = box.addButton(QStringLiteral("Conservar mis cambios"), QMessageBox::AcceptRole);
        QPushButton *discard = box.addButton(QStringLiteral("Descartar mis cambios"), QMessageBox::DestructiveRole);
        QPushButton *refresh = box.addButton(QStringLiteral("Tomar los datos del servidor"), QMessageBox::ResetRole);
        box.setDefaultButton(keep);
        Application()->Prompts().ShowModal(box);
        if (box.clickedButton() == discard)
            action = raCancel;
        else if (box.clickedButton() == refresh)
            action = raRefresh;
        else if (box.clickedButton() == keep)
            action = raSkip;
    };
}
