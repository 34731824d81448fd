#pragma once

// The module as its load creates it (the data modules, then the windows) over a copy of the demo
// world (EmbeddedDatabase), through the in-process application server as the desktop runs it, with
// `server` keeping what the module asked. Reports are printed from the main window's print button
// into PDF files whose text the tests read.

#include "EmbeddedWorld.h"
#include "TCaptura.h"
#include "TDtmReportes.h"
#include "TFrmMemo.h"
#include "TFrmSoMaleg.h"
#include "controls/TQSDBQbe.h"
#include "controls/TQsCmbCodigo.h"

#include <QLocale>
#include <QProcess>
#include <algorithm>
#include <functional>
#include <stdexcept>

class ReportWorld : public EmbeddedDatabase
{
public:
    // With `with2018` company 2 also gets a 2018 evaluation of the sample catalogue, imported as an
    // administrator does; `arrange` changes the database before the module opens it.
    explicit ReportWorld(bool with2018 = true, const std::function<void(EmbeddedDatabase &)> &arrange = {})
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Colombia));
        engine->Database().CloseConnection();
        if (with2018 && QProcess::execute(qEnvironmentVariable("ZE_SERVER_PATH"),
                                          {QStringLiteral("import-catalogue"), QStringLiteral("--db"), Location(),
                                           QStringLiteral("--company"), QStringLiteral("2"), QStringLiteral("--csv"),
                                           QStringLiteral(ZE_DEMO_DIR "/catalogo-estandares-minimos.csv"),
                                           QStringLiteral("--process-date"), QStringLiteral("2018-03-01"),
                                           QStringLiteral("--valid-from"), QStringLiteral("2018-01-01"),
                                           QStringLiteral("--valid-to"), QStringLiteral("2018-12-31")}) != 0)
            throw std::runtime_error("tolvane-server did not import the 2018 evaluation");
        if (arrange)
            arrange(*this);
        m_real = Connect();
        server = std::make_shared<RecordingAppServer>(m_real->AppServer());
        SDCOMConnection::RegisterTransport(QStringLiteral("prueba"),
                                           [shared = server](const SDCOMConnection &) { return shared; });
        gStProtocolo = QStringLiteral("prueba");
        gStParSrv = Location();
        gStParUsu = gStParPas = gStCodiUsua = QStringLiteral("demo");
        gStParEmp = QStringLiteral("1");
        TApplication *app = Application();
        DtmSoMaleg = new TDtmSoMaleg(app);
        DtmReportes = new TDtmReportes(app);
        FrmSoMaleg = new TFrmSoMaleg(app);
        FrmMemo = new TFrmMemo(app);
        Captura = new TCaptura(app);
        prompts = ScriptedPrompts::Install();
    }
    ~ReportWorld()
    {
        gStParHpv.clear();
        Application()->SetPrompts(nullptr);
        Application()->DestroyComponents();
        FrmSoMaleg = nullptr;
        FrmMemo = nullptr;
        Captura = nullptr;
        DtmReportes = nullptr;
        DtmSoMaleg = nullptr;
    }

    std::shared_ptr<RecordingAppServer> server;
    ScriptedPrompts *prompts = nullptr;

    static QString PdfText(const QString &file)
    {
        QProcess p;
        p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), file, QStringLiteral("-")});
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    // Runs the dispatch from the print button with chooser option `option`, writing a PDF; its text.
    QString Print(int option)
    {
        const QString file = m_dir.filePath(QStringLiteral("reporte.pdf"));
        QFile::remove(file);
        Application()->PrintToPdfFile = file;
        prompts->answers.push_back(ScriptedPrompts::Choose(option));
        try {
            FrmSoMaleg->GenerarRpt(FrmSoMaleg->spbReporte);
        } catch (...) {
            Application()->PrintToPdfFile.clear();
            throw;
        }
        Application()->PrintToPdfFile.clear();
        return PdfText(file);
    }

    // Whether the evaluation records come in numeral order (their keys ascending), as the list shows them.
    static bool InNumeralOrder()
    {
        SClientDataSet *q = DtmSoMaleg->QrySoMaleg;
        QVariantList previous;
        for (q->First(); !q->Eof(); q->Next()) {
            const QVariantList key = q->FieldValues(TFrmSoMaleg::kOrdenNumeral).toList();
            if (std::lexicographical_compare(key.cbegin(), key.cend(), previous.cbegin(), previous.cend(),
                                             [](const QVariant &a, const QVariant &b) {
                                                 return QVariant::compare(a, b) == QPartialOrdering::Less;
                                             }))
                return false;
            previous = key;
        }
        return true;
    }

    // Opens the company's evaluation processed on the date given (the demo's by default), as a user
    // filtering by date and choosing the company does; `extra` is a further condition ("" none).
    void SelectCompany(int code, const QDate &processDate = QDate(2026, 2, 2), const QString &extra = QString())
    {
        FrmSoMaleg->DBQbe1->SetCondition(QStringLiteral("fecha"), QStringLiteral("MA.FEC_PROC = :PFECPROC"));
        FrmSoMaleg->DBQbe1->SetCondition(QStringLiteral("prueba"), extra);
        FrmSoMaleg->DBQbe1->ParamValues.insert(QStringLiteral("PFECPROC"), QDateTime(processDate, QTime(0, 0)));
        FrmSoMaleg->cmbEmpresa->SetCodigo(QString::number(code));
        FrmSoMaleg->cmbEmpresaChange(FrmSoMaleg->cmbEmpresa);
    }

private:
    std::unique_ptr<SDCOMConnection> m_real;
    QTemporaryDir m_dir;
};
