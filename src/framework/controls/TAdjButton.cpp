#include "controls/TAdjButton.h"

#include "SDCOMConnection.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TPrompts.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TField.h"
#include "dataset/TFieldFormat.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLocale>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTableWidget>
#include <QUuid>
#include <QVBoxLayout>

TAdjButton::TAdjButton(QWidget *parent, const QString &name) : QToolButton(parent)
{
    setObjectName(name);
    setText(QStringLiteral("Adjuntos"));
    setToolTip(QStringLiteral("Archivos adjuntos del registro"));
    connect(this, &QToolButton::clicked, this, [this] { Application()->Guard([&] { Click(); }); });
}

QString TAdjButton::DialogFilter() const
{
    const QStringList parts = Filter.split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        filters << QStringLiteral("%1 (%2)").arg(parts.at(i),
                                                 QString(parts.at(i + 1)).replace(QLatin1Char(';'), QLatin1Char(' ')));
    return filters.join(QStringLiteral(";;"));
}

SClientDataSet *TAdjButton::Source() const
{
    auto *ds = qobject_cast<SClientDataSet *>(Dataset);
    if (!ds || !ds->Active() || ds->IsEmpty())
        throw Exception(QStringLiteral("No hay un registro seleccionado para ver sus archivos adjuntos."));
    if (!ds->RemoteServer)
        throw Exception(QStringLiteral("El registro no está ligado al servidor de aplicaciones."));
    return ds;
}

QString TAdjButton::Guid() const
{
    TField *f = Source()->FindField(GuidField);
    return f ? f->AsString().trimmed() : QString();
}

QVariant TAdjButton::Call(const QString &method, QVariantList args) const
{
    return Source()->RemoteServer->Call(method, args);
}

QList<TAdjButton::TArchivo> TAdjButton::Archivos() const
{
    const QString guid = Guid();
    if (guid.isEmpty())
        return {};
    QList<TArchivo> files;
    for (const QVariant &row : Call(QStringLiteral("AdjuntosListar"), {Application()->Tag, guid}).toList()) {
        const QVariantList r = row.toList();
        files.append(TArchivo{r.value(0).toInt(), r.value(1).toString(), r.value(2).toInt(), r.value(3).toString(),
                              r.value(4).toDateTime()});
    }
    return files;
}

int TAdjButton::Agregar(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("No fue posible leer el archivo \"%1\".").arg(path));
    const QByteArray content = file.readAll();
    SClientDataSet *ds = Source();
    QString guid = Guid();
    if (guid.isEmpty()) {
        TField *f = ds->FieldByName(GuidField);
        if (ds->State() != dsEdit && ds->State() != dsInsert)
            ds->Edit();
        guid = QUuid::createUuid().toString(QUuid::WithoutBraces);
        f->SetAsString(guid);
    }
    return Call(QStringLiteral("AdjuntoGuardar"),
                {Application()->Tag, Table, guid, QFileInfo(path).fileName(), QString::fromLatin1(content.toBase64())})
        .toInt();
}

void TAdjButton::GuardarComo(int numero, const QString &path) const
{
    const QByteArray content = QByteArray::fromBase64(
        Call(QStringLiteral("AdjuntoLeer"), {Application()->Tag, Guid(), numero}).toString().toLatin1());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        throw Exception(QStringLiteral("No fue posible escribir el archivo \"%1\".").arg(path));
}

void TAdjButton::Eliminar(int numero)
{
    Call(QStringLiteral("AdjuntoEliminar"), {Application()->Tag, Guid(), numero});
}

void TAdjButton::Click()
{
    Source();
    QDialog dialog(window());
    dialog.setWindowTitle(QStringLiteral("Archivos adjuntos"));
    dialog.resize(560, 300);
    auto *table = new QTableWidget(0, 4, &dialog);
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Archivo"), QStringLiteral("Tamaño"), QStringLiteral("Usuario"), QStringLiteral("Fecha")});
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->verticalHeader()->hide();
    QList<TArchivo> files;
    auto reload = [&] {
        files = Archivos();
        table->setRowCount(int(files.size()));
        const QLocale locale;
        for (int i = 0; i < files.size(); ++i) {
            table->setItem(i, 0, new QTableWidgetItem(files.at(i).Nombre));
            table->setItem(i, 1, new QTableWidgetItem(locale.formattedDataSize(files.at(i).Tamano)));
            table->setItem(i, 2, new QTableWidgetItem(files.at(i).Usuario));
            table->setItem(i, 3,
                           new QTableWidgetItem(
                               files.at(i).Fecha.toString(TFieldFormat::ShortDateFormat() + QStringLiteral(" HH:mm"))));
        }
    };
    auto guarded = [this](auto action) { return [this, action] { Application()->Guard([&] { action(); }); }; };
    auto *buttons = new QDialogButtonBox(&dialog);
    QPushButton *add = buttons->addButton(QStringLiteral("Agregar..."), QDialogButtonBox::ActionRole);
    QPushButton *save = buttons->addButton(QStringLiteral("Guardar como..."), QDialogButtonBox::ActionRole);
    QPushButton *remove = buttons->addButton(QStringLiteral("Eliminar"), QDialogButtonBox::ActionRole);
    buttons->addButton(QStringLiteral("Cerrar"), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    connect(add, &QPushButton::clicked, &dialog, guarded([&] {
                const QString path = Application()->Prompts().PickFile(QStringLiteral("Agregar archivo"), QString(),
                                                                       DialogFilter(), false, &dialog);
                if (!path.isEmpty()) {
                    Agregar(path);
                    reload();
                }
            }));
    connect(save, &QPushButton::clicked, &dialog, guarded([&] {
                const int row = table->currentRow();
                if (row < 0)
                    return;
                const QString path = Application()->Prompts().PickFile(QStringLiteral("Guardar archivo"),
                                                                       files.at(row).Nombre, QString(), true, &dialog);
                if (!path.isEmpty())
                    GuardarComo(files.at(row).Numero, path);
            }));
    connect(remove, &QPushButton::clicked, &dialog, guarded([&] {
                const int row = table->currentRow();
                if (row < 0)
                    return;
                if (Application()->Prompts().Question(
                        QStringLiteral("¿Eliminar el archivo \"%1\"?").arg(files.at(row).Nombre),
                        QMessageBox::Yes | QMessageBox::No, QMessageBox::No, &dialog) == QMessageBox::Yes) {
                    Eliminar(files.at(row).Numero);
                    reload();
                }
            }));
    auto *layout = new QVBoxLayout(&dialog);
    layout->addWidget(table);
    layout->addWidget(buttons);
    reload();
    Application()->Prompts().ShowModal(dialog);
}
