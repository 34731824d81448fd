#pragma once

#include <QStringList>
#include <QDateTime>
#include <QToolButton>
#include <functional>

class SClientDataSet;
class TDataSet;

// The attachments button: lists, adds, saves and removes the files attached to the current record
// of Dataset. Files are kept by the application server under the company and the record's
// attachment identifier (the ADJ_GUID field); a record without one gets a new identifier when its
// first file is added (the record is put in edit mode and keeps it when it is saved).
class TAdjButton : public QToolButton
{
    Q_OBJECT
public:
    explicit TAdjButton(QWidget *parent = nullptr, const QString &name = QString());

    // Design-time settings.
    QString Table;
    QString Programa;
    TDataSet *Dataset = nullptr;
    // Description and pattern pairs separated by "|", e.g. "Todos los archivos|*.*".
    QString Filter = QStringLiteral("Todos los archivos|*.*");
    bool FieldsManual = false;
    bool ModAdjuntos = false;
    int Empresa = 0, Insert = 0, Update = 0, Delete = 0, TipoAlmacenamiento = 0, MaximoArchivos = 0;
    QString GuidField = QStringLiteral("ADJ_GUID");

    struct TArchivo
    {
        int Numero = 0;
        QString Nombre;
        int Tamano = 0;
        QString Usuario;
        QDateTime Fecha;
    };

    // The files of the current record (none without an identifier).
    QList<TArchivo> Archivos() const;
    // Adds a file from disk; returns its number. Raises Exception with the reason when refused.
    int Agregar(const QString &path);
    // Writes a file's content to disk.
    void GuardarComo(int numero, const QString &path) const;
    void Eliminar(int numero);

    // The click action: the attachments dialog.
    void Click();

private:
    QString DialogFilter() const;
    SClientDataSet *Source() const;
    QString Guid() const;
    QVariant Call(const QString &method, QVariantList args) const;
};
