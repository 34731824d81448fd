#include "TFrmSoMaleg.h"

#include "Globals.h"

#include <QFont>
#include <QLabel>
#include <QTabWidget>
#include <QVBoxLayout>

TFrmSoMaleg *FrmSoMaleg = nullptr;

TFrmSoMaleg::TFrmSoMaleg(QObject *owner) : TfrmFormaMaestro(owner, QStringLiteral("FrmSoMaleg"))
{
    SetCaption(QStringLiteral("FrmSoMaleg"));
    setFont(QFont(QStringLiteral("Tahoma")));
    resize(1011, 752);

    auto *title = new QLabel(QStringLiteral("Autoevaluación Estándares Mínimos SG-SST"), this);
    title->setObjectName(QStringLiteral("PnlTolvane"));
    title->setStyleSheet(QStringLiteral("QLabel { background: #1f4e79; color: white; font-weight: bold; padding: 8px; }"));
    FrameLayout()->addWidget(title);

    pgcPlanAnual = new QTabWidget(this);
    pgcPlanAnual->setObjectName(QStringLiteral("pgcPlanAnual"));
    const struct { const char16_t *name; const char16_t *caption; } pages[] = {
        {u"TabEstMin", u"Estándares Mínimos"},
        {u"TabCronograma", u"Cronograma"},
        {u"TabSheet1", u"Plan Anual SGSST"},
    };
    for (const auto &p : pages) {
        auto *page = new QWidget(pgcPlanAnual);
        page->setObjectName(QString::fromUtf16(p.name));
        pgcPlanAnual->addTab(page, QString::fromUtf16(p.caption));
    }
    FrameLayout()->addWidget(pgcPlanAnual, 1);

    FormCreate(this);
}

TFrmSoMaleg::~TFrmSoMaleg() = default;

void TFrmSoMaleg::FormCreate(QObject *sender)
{
    gStNombProg = QStringLiteral("ZErOdadi");
    TfrmFormaMaestro::FormCreate(sender);
}

QString TFrmSoMaleg::CodiUsua() const
{
    return gStCodiUsua;
}
