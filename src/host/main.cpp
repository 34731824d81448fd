// tolvane-host: the suite's desktop program, reduced to what a module needs. It loads a module
// library by path, calls its load entry point with the nine start-up arguments, shows the returned
// window in its workspace and unloads the module when it closes. Without a user it either saves a
// picture of the window (--screenshot) or prints a report to a PDF file and/or an Excel workbook
// (--report N --pdf FILE --xlsx FILE).
// Exit status: 0 done, 1 the module or the report failed (message on stderr), 2 usage error.

#include "Globals.h"
#include "HeadlessReport.h"
#include "HostApplication.h"
#include "HostTransports.h"
#include "HostWindow.h"
#include "ModuleLoader.h"
#include "SysUtils.h"
#include "TApplication.h"
#include "TForm.h"

#include <QCommandLineParser>
#include <QDate>
#include <QDir>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
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

constexpr int kUsageError = 2;

// Whether an option that needs no display (--screenshot, --report, --pdf, --xlsx) is on the command line.
bool headlessArg(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        for (const char *option : {"--screenshot", "--report", "--pdf", "--xlsx"})
            if (QByteArray(argv[i]).startsWith(option))
                return true;
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    // Without a display the program can only take a screenshot or print a report; those two never
    // need one: use the offscreen platform.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && (!hasDisplay() || headlessArg(argc, argv)))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Colombia));
    HostApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tolvane-host"));
    // Message boxes and window titles carry this name, not the executable's.
    QGuiApplication::setApplicationDisplayName(QStringLiteral("Tolvane"));
    // Qt's own buttons and dialogs (file, print, page setup) in Spanish: qt6-translations-l10n.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qt"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);
    QCoreApplication::setApplicationVersion(QStringLiteral(ZE_HOST_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Programa anfitrión de módulos."));
    const QCommandLineOption helpOpt = parser.addHelpOption();
    const QCommandLineOption versionOpt = parser.addVersionOption();
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
    const QCommandLineOption reportOpt(
        QStringLiteral("report"),
        QStringLiteral("Imprimir el informe N del selector de informes (con --pdf y/o --xlsx) y salir."),
        QStringLiteral("N"));
    const QCommandLineOption pdfOpt(QStringLiteral("pdf"), QStringLiteral("Archivo PDF del informe de --report."),
                                    QStringLiteral("file"));
    const QCommandLineOption xlsxOpt(QStringLiteral("xlsx"),
                                     QStringLiteral("Libro de Excel con las tablas del informe de --report."),
                                     QStringLiteral("file"));
    parser.addOptions({moduleOpt, protocolOpt, aliasOpt, serverOpt, userOpt, passwordOpt, companyOpt, paramsOpt,
                       nativeOpt, screenshotOpt, reportOpt, pdfOpt, xlsxOpt});
    if (!parser.parse(QCoreApplication::arguments())) {
        printError(parser.errorText());
        return kUsageError;
    }
    if (parser.isSet(helpOpt))
        parser.showHelp(0);
    if (parser.isSet(versionOpt))
        parser.showVersion();
    const bool report = parser.isSet(reportOpt);
    int reportOption = -1;
    if (report != (parser.isSet(pdfOpt) || parser.isSet(xlsxOpt))) {
        printError(
            QStringLiteral("--report y --pdf se usan juntas: --report N --pdf ARCHIVO (o --xlsx ARCHIVO, o ambas)."));
        return kUsageError;
    }
    if (report) {
        bool ok = false;
        reportOption = parser.value(reportOpt).trimmed().toInt(&ok);
        if (!ok) {
            printError(QStringLiteral("--report debe ser un número entero: \"%1\".").arg(parser.value(reportOpt)));
            return kUsageError;
        }
        for (const QCommandLineOption *file : {&pdfOpt, &xlsxOpt})
            if (parser.isSet(*file) && parser.value(*file).trimmed().isEmpty()) {
                printError(QStringLiteral("--%1 necesita un nombre de archivo.").arg(file->names().constFirst()));
                return kUsageError;
            }
        if (parser.isSet(screenshotOpt)) {
            printError(QStringLiteral("--report no se usa junto con --screenshot."));
            return kUsageError;
        }
    }

    gStCodiUsua = parser.value(userOpt).left(8);
    // The host plays the suite's connection layer: in-process and HTTP transports to the server.
    RegisterHostTransports(QStringLiteral(ZE_LOCAL_SERVER));

    ModuleLoader loader(parser.value(moduleOpt));
    HostWindow window(loader);
    window.setWindowTitle(QStringLiteral("Tolvane - Autoevaluación SG-SST"));
    window.resize(1100, 820);

    const QString screenshot = parser.value(screenshotOpt);
    QWidget *moduleWindow = nullptr;
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
        moduleWindow = FindControl(handle);
        if (!moduleWindow)
            throw Exception(QStringLiteral("El módulo devolvió una ventana desconocida (%1).").arg(handle));
        window.show();
        window.Embed(moduleWindow);
    } catch (const EAbort &) {
        return 1;
    } catch (const Exception &e) {
        if (!screenshot.isEmpty() || report || !hasDisplay()) {
            printError(e.Message());
        } else {
            Application()->HandleException(std::current_exception());
        }
        return 1;
    }

    if (report) {
        app.processEvents();
        HeadlessReport output(reportOption, parser.value(pdfOpt), parser.value(xlsxOpt));
        const bool written = output.Run(moduleWindow);
        loader.Unload();
        for (const QString &message : output.Messages())
            printError(message);
        return written ? 0 : 1;
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
