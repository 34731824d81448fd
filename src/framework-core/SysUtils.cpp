#include "SysUtils.h"

#include <QDebug>

Exception::Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8())
{}

Exception::~Exception() = default;

const char *Exception::what() const noexcept
{
    return m_utf8.constData();
}

EAbort::EAbort() : Exception(QStringLiteral("Operation aborted"))
{}

EAbort::EAbort(QString message) : Exception(std::move(message))
{}

void Abort()
{
    throw EAbort();
}

int StrToInt(const QString &text)
{
    qsizetype i = 0;
    while (i < text.size() && text.at(i) == u' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text.at(i) == u'-' || text.at(i) == u'+')) {
        negative = text.at(i) == u'-';
        ++i;
    }
    const qsizetype digitsStart = i;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c < u'0' || c > u'9')
            break;
        value = value * 10 + (c.unicode() - u'0');
        if (value > qint64(2147483648LL))
            break;
    }
    const qint64 limit = negative ? 2147483648LL : 2147483647LL;
    if (i != text.size() || i == digitsStart || value > limit)
        throw EConvertError(QStringLiteral("'%1' no es un número entero válido").arg(text));
    return int(negative ? -value : value);
}

void (*ApplicationHandleException)(std::exception_ptr error) = nullptr;

void HandleApplicationException(std::exception_ptr error)
{
    if (ApplicationHandleException) {
        ApplicationHandleException(error);
        return;
    }
    try {
        std::rethrow_exception(error);
    } catch (const EAbort &) {
    } catch (const Exception &e) {
        qWarning().noquote() << e.Message();
    } catch (const std::exception &e) {
        qWarning().noquote() << QString::fromUtf8(e.what());
    } catch (...) {
        qWarning().noquote() << QStringLiteral("Error desconocido");
    }
}
