#pragma once

// The module's windows and data modules over a copy of the demo world (plus, unless told otherwise,
// a 2018 evaluation of company 2), through the in-process application server, as the desktop runs
// them; reports are printed from the main window's print button into PDF files whose text the
// tests read.

#include "AppServerTransports.h"
#include "Globals.h"
#include "ScriptedPrompts.h"
#include "TApplication.h"
#include "TCaptura.h"
#include "TDtmReportes.h"
#include "TDtmSoMaleg.h"
#include "TFrmMemo.h"
#include "TFrmSoMaleg.h"
#include "controls/TQSDBQbe.h"
#include "controls/TQsCmbCodigo.h"

#include <QDateTime>
#include <QLocale>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <stdexcept>

class ReportWorld
{
public:
    explicit ReportWorld(bool with2018 = true)
    {
        QLocale::setDefault(QLocale(QLocale::Spanish, QLocale::Colombia));
        m_db = m_dir.filePath(QStringLiteral("demo.sqlite"));
        const QString server = qEnvironmentVariable("ZE_SERVER_PATH");
        run(server, {QStringLiteral("demo"), QStringLiteral("--db"), m_db});
        if (with2018)
            run(server, {QStringLiteral("import-catalogue"), QStringLiteral("--db"), m_db, QStringLiteral("--company"),
                         QStringLiteral("2"), QStringLiteral("--csv"),
                         QStringLiteral(ZE_DEMO_DIR "/catalogo-estandares-minimos.csv"),
                         QStringLiteral("--process-date"), QStringLiteral("2018-03-01"), QStringLiteral("--valid-from"),
                         QStringLiteral("2018-01-01"), QStringLiteral("--valid-to"), QStringLiteral("2018-12-31")});
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("prueba"));
        db.setDatabaseName(m_db);
        if (!db.open())
            throw std::runtime_error("the test database does not open");
        RegisterAppServerTransports();
        gStProtocolo = QStringLiteral("local");
        gStParSrv = m_db;
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
        Application()->DestroyComponents();
        Application()->SetPrompts(nullptr);
        QSqlDatabase::removeDatabase(QStringLiteral("prueba"));
    }

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

    // Straight SQL on the database file, for arranging a case.
    void Exec(const QString &sql, const QVariantList &values = {})
    {
        QSqlQuery q(QSqlDatabase::database(QStringLiteral("prueba")));
        if (!q.prepare(sql))
            throw std::runtime_error(q.lastError().text().toStdString());
        for (const QVariant &v : values)
            q.addBindValue(v);
        if (!q.exec())
            throw std::runtime_error(q.lastError().text().toStdString());
    }

private:
    static void run(const QString &program, const QStringList &args)
    {
        if (QProcess::execute(program, args) != 0)
            throw std::runtime_error("tolvane-server failed while building the test database");
    }

    QTemporaryDir m_dir;
    QString m_db;
};
