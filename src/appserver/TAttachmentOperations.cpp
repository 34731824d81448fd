#include "TAttachmentOperations.h"

#include "EAppServerError.h"
#include "TDatabase.h"
#include "TSqlTransaction.h"
#include "TDateTimeText.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QUuid>

TAttachmentOperations::TAttachmentOperations(TDatabase &db, const QSet<int> &companies, const QString &user)
    : m_db(db), m_companies(companies), m_user(user)
{}

QVariantList TAttachmentOperations::Arguments(const QVariantList &args, int count, const QString &method) const
{
    QVariantList array =
        args.size() == 1 && args.at(0).typeId() == QMetaType::QVariantList ? args.at(0).toList() : args;
    if (array.size() != count)
        throw EAppServerError(400, QStringLiteral("%1 espera %2 argumentos.").arg(method).arg(count));
    return array;
}

int TAttachmentOperations::Company(const QVariant &value) const
{
    bool ok = false;
    const int code = value.toInt(&ok);
    if (!ok)
        throw EAppServerError(400, QStringLiteral("El código de empresa no es un número entero."));
    if (!m_companies.contains(code))
        throw EAppServerError(403, QStringLiteral("La empresa %1 no está asignada al usuario.").arg(code));
    return code;
}

QString TAttachmentOperations::Guid(const QVariant &value)
{
    const QString text = value.toString().trimmed();
    if (QUuid::fromString(text).isNull())
        throw EAppServerError(400, QStringLiteral("El identificador de adjuntos \"%1\" no es válido.").arg(text));
    return text.toLower();
}

bool TAttachmentOperations::Call(const QString &method, QVariantList &args, QVariant &result)
{
    const auto is = [&method](const char16_t *name) {
        return method.compare(QString::fromUtf16(name), Qt::CaseInsensitive) == 0;
    };
    if (is(u"AdjuntosListar")) {
        const QVariantList a = Arguments(args, 2, method);
        QSqlQuery q = m_db.Run(QStringLiteral("SELECT RMT_ARCH, NOM_ARCH, TAM_ARCH, ACT_USUA, ACT_HORA FROM SV_ADJUN"
                                              " WHERE COD_EMPR = ? AND ADJ_GUID = ? ORDER BY RMT_ARCH"),
                               {Company(a.at(0)), Guid(a.at(1))});
        QVariantList rows;
        while (q.next())
            rows << QVariant(QVariantList{q.value(0).toInt(), q.value(1).toString(), q.value(2).toInt(),
                                          q.value(3).toString(), TDateTimeText::Parse(q.value(4).toString())});
        result = rows;
        return true;
    }
    if (is(u"AdjuntoGuardar")) {
        const QVariantList a = Arguments(args, 5, method);
        const int company = Company(a.at(0));
        const QString guid = Guid(a.at(2));
        const QString name = a.at(3).toString().trimmed();
        const QByteArray content = QByteArray::fromBase64(a.at(4).toString().toLatin1());
        if (name.isEmpty() || name.size() > 255)
            throw EAppServerError(400, QStringLiteral("El nombre del archivo está vacío o es demasiado largo."));
        if (content.size() > kMaxBytes)
            throw EAppServerError(400, QStringLiteral("El archivo \"%1\" supera el máximo de %2 MB.")
                                           .arg(name)
                                           .arg(kMaxBytes / (1024 * 1024)));
        TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
        int number = 1;
        {
            QSqlQuery q =
                m_db.Run(QStringLiteral(
                             "SELECT COALESCE(MAX(RMT_ARCH), 0) + 1 FROM SV_ADJUN WHERE COD_EMPR = ? AND ADJ_GUID = ?"),
                         {company, guid});
            if (q.next())
                number = q.value(0).toInt();
        }
        m_db.Run(
            QStringLiteral("INSERT INTO SV_ADJUN (COD_EMPR, ADJ_GUID, RMT_ARCH, NOM_TABL, NOM_ARCH, TAM_ARCH, CON_ARCH,"
                           " ACT_USUA, ACT_HORA) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
            {company, guid, number, a.at(1).toString().left(30), name, int(content.size()),
             QString::fromLatin1(content.toBase64()), m_user.left(30), QDateTime::currentDateTime()});
        tx.Commit();
        result = number;
        return true;
    }
    if (is(u"AdjuntoLeer")) {
        const QVariantList a = Arguments(args, 3, method);
        QSqlQuery q = m_db.Run(
            QStringLiteral("SELECT CON_ARCH FROM SV_ADJUN WHERE COD_EMPR = ? AND ADJ_GUID = ? AND RMT_ARCH = ?"),
            {Company(a.at(0)), Guid(a.at(1)), a.at(2).toInt()});
        if (!q.next())
            throw EAppServerError(404, QStringLiteral("El archivo adjunto %1 ya no existe.").arg(a.at(2).toInt()));
        result = q.value(0).toString();
        return true;
    }
    if (is(u"AdjuntoEliminar")) {
        const QVariantList a = Arguments(args, 3, method);
        TSqlTransaction tx(m_db, TSqlTransaction::TMode::Write);
        int removed = 0;
        {
            QSqlQuery q =
                m_db.Run(QStringLiteral("DELETE FROM SV_ADJUN WHERE COD_EMPR = ? AND ADJ_GUID = ? AND RMT_ARCH = ?"),
                         {Company(a.at(0)), Guid(a.at(1)), a.at(2).toInt()});
            removed = q.numRowsAffected() > 0 ? 1 : 0;
        }
        tx.Commit();
        result = removed;
        return true;
    }
    return false;
}
