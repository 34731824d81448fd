// tolvane-host: the suite's desktop program, reduced to what a module needs. It loads a module
// library by path, calls its load entry point with the nine start-up arguments, shows the returned
// window in its workspace and unloads the module when it closes.

#include "AppServerTransports.h"
#include "Globals.h"
#include "HostApplication.h"
#include "HostWindow.h"
#include "ModuleLoader.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TForm.h"

#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QLocale>
#include <QTimer>
#include <cstdio>

namespace {

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void printError(const QString &message)
{
    std::fprintf(stderr, "tolvane-host: %s\n", message.toLocal8Bit().constData());
}

} // namespace

int main(int argc, char **argv)
{
    // Without a display the program can only take a screenshot: use the offscreen platform.
    bool screenshotArg = false;
    for (int i = 1; i < argc; ++i)
        screenshotArg = screenshotArg || QByteArray(argv[i]).startsWith("--screenshot");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && (!hasDisplay() || screenshotArg))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Colombia));
    HostApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tolvane-host"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ZE_HOST_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Programa anfitrión de módulos."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption moduleOpt(QStringLiteral("module"), QStringLiteral("Biblioteca del módulo."),
                                       QStringLiteral("path"), QStringLiteral(ZE_DEFAULT_MODULE));
    const QCommandLineOption protocolOpt(QStringLiteral("protocol"),
                                         QStringLiteral("Protocolo: local (en proceso) o http."),
                                         QStringLiteral("protocol"), QStringLiteral("local"));
    const QCommandLineOption aliasOpt(QStringLiteral("alias"), QStringLiteral("Alias de la conexión."),
                                      QStringLiteral("alias"), QStringLiteral("ZErOdadi"));
    const QCommandLineOption serverOpt(QStringLiteral("server"),
                                       QStringLiteral("Servidor: archivo SQLite, URL postgresql:// o host:puerto."),
                                       QStringLiteral("server"));
    const QCommandLineOption userOpt(QStringLiteral("user"), QStringLiteral("Usuario."), QStringLiteral("user"),
                                     QStringLiteral("demo"));
    const QCommandLineOption passwordOpt(QStringLiteral("password"), QStringLiteral("Contraseña."),
                                         QStringLiteral("password"), QStringLiteral("demo"));
    const QCommandLineOption companyOpt(QStringLiteral("company"), QStringLiteral("Empresa inicial."),
                                        QStringLiteral("company"), QStringLiteral("1"));
    const QCommandLineOption paramsOpt(QStringLiteral("params"), QStringLiteral("Cadena de parámetros."),
                                       QStringLiteral("params"));
    const QCommandLineOption nativeOpt(QStringLiteral("native"),
                                       QStringLiteral("Cargar con QOpLoadDll (cadenas COM) en lugar de QOpLoadDllW."));
    const QCommandLineOption screenshotOpt(QStringLiteral("screenshot"),
                                           QStringLiteral("Guardar una imagen de la ventana y salir."),
                                           QStringLiteral("file"));
    parser.addOptions({moduleOpt, protocolOpt, aliasOpt, serverOpt, userOpt, passwordOpt, companyOpt, paramsOpt,
                       nativeOpt, screenshotOpt});
    parser.process(app);

    gStCodiUsua = parser.value(userOpt).left(8);
    // The host plays the suite's connection layer: in-process and HTTP transports to the server.
    RegisterAppServerTransports();

    ModuleLoader loader(parser.value(moduleOpt));
    HostWindow window(loader);
    window.setWindowTitle(QStringLiteral("Tolvane - Autoevaluación SG-SST"));
    window.resize(1100, 820);

    const QString screenshot = parser.value(screenshotOpt);
    try {
        loader.Open();
        ModuleLoader::StartUp settings;
        settings.protocol = parser.value(protocolOpt);
        settings.alias = parser.value(aliasOpt);
        settings.server = parser.value(serverOpt);
        settings.user = parser.value(userOpt);
        settings.password = parser.value(passwordOpt);
        settings.company = parser.value(companyOpt);
        settings.params = parser.value(paramsOpt);
        settings.clientVersion = QStringLiteral(ZE_HOST_VERSION ";") + QDate::currentDate().toString(Qt::ISODate);
        const uint32_t handle = loader.Load(settings, parser.isSet(nativeOpt));
        QWidget *moduleWindow = FindControl(handle);
        if (!moduleWindow)
            throw Exception(QStringLiteral("El módulo devolvió una ventana desconocida (%1).").arg(handle));
        window.show();
        window.Embed(moduleWindow);
    } catch (const EAbort &) {
        return 1;
    } catch (const Exception &e) {
        if (!screenshot.isEmpty() || !hasDisplay()) {
            printError(e.Message());
        } else {
            Application()->HandleException(std::current_exception());
        }
        return 1;
    }

    if (!screenshot.isEmpty()) {
        app.processEvents();
        const bool saved = window.grab().save(screenshot);
        loader.Unload();
        if (!saved) {
            printError(QStringLiteral("No fue posible guardar %1").arg(screenshot));
            return 1;
        }
        return 0;
    }
    const int rc = app.exec();
    loader.Unload();
    return rc;
}
