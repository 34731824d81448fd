#include "ModuleExports.h"

#include "Globals.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TCaptura.h"
#include "TDtmReportes.h"
#include "TDtmSoMaleg.h"
#include "TFrmMemo.h"
#include "TFrmSoMaleg.h"

#include <QPointer>

namespace {

// Identity of the application server, compiled in: the getters answer before a load and after an
// unload too.
constexpr char16_t kServerGUID[] = u"{3E4965E3-EAF7-44DE-9E0C-427084A6F796}";
constexpr char16_t kServerName[] = u"ZErOdadi.ZErOdadiDmr";
constexpr char16_t kServerGUIDNet[] = u"{5D15CC2C-91DE-4C0F-8921-6CE8F5781BF4}";
constexpr char16_t kServerNameNet[] = u"ZErOdadiBD.ZErOdadi";
constexpr char16_t kPublicKeyToken[] = u"5c1e07b3a9d24f60";

// The longest parameter string the host may pass.
constexpr qsizetype kMaxParameterString = 32767;

// The module main-window reference: the resize functions and the returned handle use it.
QPointer<TFrmSoMaleg> mainWindow;

QString str(const char16_t *text)
{
    return QString::fromUtf16(text);
}

// The text without the blanks (U+0020 only) at both ends; tabs, line breaks and other spaces are
// part of the words and stay.
QString TrimBlanks(const QString &text)
{
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == u' ')
        ++begin;
    while (end > begin && text.at(end - 1) == u' ')
        --end;
    return text.mid(begin, end - begin);
}

// Splits the parameter string into its words (kept in gSlParams) and its condition (the entry
// beginning with AND, kept in gStParHpv). Quoted groups are one entry without their quotes.
void ParseParameterString()
{
    gSlParams = std::make_unique<QStringList>();
    QStringList &list = *gSlParams;
    QString rest = gStParHpv;
    while (!TrimBlanks(rest).isEmpty()) {
        QString token;
        bool taken = false;
        for (qsizetype i = 0; i < rest.size() && !taken; ++i) {
            const QChar c = rest.at(i);
            if (c != u' ' && c != u'"')
                token.append(c);
            if (c == u' ' || TrimBlanks(token) == TrimBlanks(rest)) {
                list.append(TrimBlanks(token));
                const qsizetype at = rest.indexOf(token);
                if (at >= 0)
                    rest.remove(at, token.size());
                rest = TrimBlanks(rest);
                taken = true;
            } else if (c == u'"') {
                rest.remove(0, 1);
                const qsizetype close = rest.indexOf(u'"');
                // Without a closing quote the group is empty and the whole text stays to be read.
                list.append(TrimBlanks(rest.left(close < 0 ? 0 : close)));
                rest = TrimBlanks(rest.mid(close + 1));
                taken = true;
            }
        }
        if (!taken) // cannot happen with trimmed text; never loop on it
            break;
    }
    gStParHpv.clear();
    for (qsizetype i = list.size() - 1; i >= 0; --i) {
        if (list.at(i).toUpper().startsWith(QStringLiteral("AND"))) {
            gStParHpv = list.takeAt(i);
        }
    }
}

uint32_t Load(const QString &protocol, const QString &alias, const QString &server, const QString &user,
              const QString &password, const QString &company, const QString &parameters, const QString &clientVersion)
{
    if (parameters.size() > kMaxParameterString)
        throw Exception(QStringLiteral("La cadena de parámetros tiene %1 caracteres; el máximo es %2.")
                            .arg(parameters.size())
                            .arg(kMaxParameterString));

    gStParSrv = server;
    gStParUsu = user;
    gStParPas = password;
    gStParEmp = company;
    gStParHpv = parameters;
    gStAliasCnx = alias;
    if (!TrimBlanks(gStParHpv).isEmpty())
        ParseParameterString();
    gStProtocolo = protocol;
    gStServerGUID = str(kServerGUID);
    gStServerName = str(kServerName);
    gStServerGUIDNet = str(kServerGUIDNet);
    gStServerNameNet = str(kServerNameNet);
    gStPublicKeyToken = str(kPublicKeyToken);
    // "version;date": the version is what stands before the first ";", the date all that follows
    // it (empty when there is no ";").
    const qsizetype semicolon = clientVersion.indexOf(u';');
    gStVersionCliente = semicolon < 0 ? clientVersion : clientVersion.left(semicolon);
    gStFechaCliente = semicolon < 0 ? QString() : clientVersion.mid(semicolon + 1);

    TApplication *app = Application();
    DtmSoMaleg = new TDtmSoMaleg(app);
    DtmReportes = new TDtmReportes(app);
    FrmSoMaleg = new TFrmSoMaleg(app);
    FrmMemo = new TFrmMemo(app);
    Captura = new TCaptura(app);
    mainWindow = FrmSoMaleg;
    return mainWindow->Handle();
}

BSTR newBstr(const char16_t *value)
{
    return SysAllocString(value);
}

} // namespace

uint32_t QOpLoadDll(int32_t, BSTR protocol, BSTR alias, BSTR server, BSTR user, BSTR password, BSTR company,
                    BSTR parameters, BSTR clientVersion)
{
    return Load(BstrToQString(protocol), BstrToQString(alias), BstrToQString(server), BstrToQString(user),
                BstrToQString(password), BstrToQString(company), BstrToQString(parameters),
                BstrToQString(clientVersion));
}

uint32_t QOpLoadDllW(int32_t, const char16_t *protocol, const char16_t *alias, const char16_t *server,
                     const char16_t *user, const char16_t *password, const char16_t *company,
                     const char16_t *parameters, const char16_t *clientVersion)
{
    return Load(str(protocol), str(alias), str(server), str(user), str(password), str(company), str(parameters),
                str(clientVersion));
}

void QOpUnLoadDll()
{
    // Windows first, so no control outlives the datasets it is bound to. The references are cleared
    // as their objects go, which makes a repeated unload harmless.
    if (FrmSoMaleg) {
        // The unload cannot be refused: pending changes are saved or discarded as the user answers.
        FrmSoMaleg->ConfirmarCambios(false);
        FrmSoMaleg->close();
        delete FrmSoMaleg;
        FrmSoMaleg = nullptr;
    }
    if (FrmMemo) {
        FrmMemo->close();
        delete FrmMemo;
        FrmMemo = nullptr;
    }
    delete Captura;
    Captura = nullptr;
    delete DtmReportes;
    DtmReportes = nullptr;
    delete DtmSoMaleg;
    DtmSoMaleg = nullptr;
}

BSTR getServerGuidNet()
{
    return newBstr(kServerGUIDNet);
}

BSTR getServerNameNet()
{
    return newBstr(kServerNameNet);
}

BSTR getServerPublicT()
{
    return newBstr(kPublicKeyToken);
}

void getServerGuidNetW(const char16_t **value)
{
    *value = kServerGUIDNet;
}

void getServerNameNetW(const char16_t **value)
{
    *value = kServerNameNet;
}

void getServerPublicTW(const char16_t **value)
{
    *value = kPublicKeyToken;
}

void CambiarTamano(int32_t width, int32_t height)
{
    if (mainWindow)
        mainWindow->CambiarTamano(width, height);
}

void CambiarAltura(int32_t height)
{
    if (mainWindow)
        mainWindow->CambiarAltura(height);
}

void CambiarTamanoW(QString width, QString height)
{
    const int w = StrToInt(width);
    const int h = StrToInt(height);
    CambiarTamano(w, h);
}
