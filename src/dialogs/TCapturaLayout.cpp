// The capture dialog's controls and their places: a fixed client area of 721 x 409 with the search
// row on top, the grid and its navigator below it, the buttons and the credits panel on the right.
#include "TCaptura.h"

#include "controls/TQNavegador.h"
#include "controls/TQSDBQbe.h"
#include "controls/TQsCmbCodigo.h"
#include "controls/TTolvaneDBgrid.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

namespace {
QLabel *caption(QWidget *parent, const QString &name, const QString &text, const QRect &geometry)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setGeometry(geometry);
    return label;
}

// A hopper drawn in the suite's blue: the emblem of the credits panel.
QPixmap emblem(int size)
{
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal s = size;
    QPainterPath hopper;
    hopper.moveTo(s * 0.12, s * 0.18);
    hopper.lineTo(s * 0.88, s * 0.18);
    hopper.lineTo(s * 0.58, s * 0.58);
    hopper.lineTo(s * 0.58, s * 0.86);
    hopper.lineTo(s * 0.42, s * 0.86);
    hopper.lineTo(s * 0.42, s * 0.58);
    hopper.closeSubpath();
    p.setPen(QPen(QColor(0x1F, 0x3C, 0x88), s * 0.05));
    p.setBrush(QColor(0x4A, 0x7B, 0xD0));
    p.drawPath(hopper);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xF2, 0xB1, 0x34));
    p.drawEllipse(QPointF(s * 0.5, s * 0.93), s * 0.05, s * 0.05);
    return pixmap;
}

// A magnifying glass for the search-by-value button.
QIcon magnifier()
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 1.8));
    p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
    p.setPen(QPen(QColor(0x30, 0x30, 0x30), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14, 14));
    return QIcon(pixmap);
}

QPushButton *button(QWidget *parent, const QString &name, const QString &text, QStyle::StandardPixmap icon,
                    const QRect &geometry)
{
    auto *b = new QPushButton(parent->style()->standardIcon(icon), text, parent);
    b->setObjectName(name);
    b->setGeometry(geometry);
    return b;
}
} // namespace

void TCaptura::CreateControls()
{
    setFixedSize(721, 409);

    caption(this, QStringLiteral("LblCampo"), QStringLiteral("Campo"), QRect(8, 6, 190, 16));
    CmbCampos = new TQsCmbCodigo(this, QStringLiteral("CmbCampos"));
    CmbCampos->setGeometry(8, 22, 190, 23);
    CmbCampos->setMaxVisibleItems(15);

    caption(this, QStringLiteral("LblBusqueda"), QStringLiteral("Busqueda Incremental"), QRect(206, 6, 190, 16));
    edtBusqueda = new QLineEdit(this);
    edtBusqueda->setObjectName(QStringLiteral("edtBusqueda"));
    edtBusqueda->setGeometry(206, 22, 190, 23);

    caption(this, QStringLiteral("LblValor"), QStringLiteral("Busqueda por Valor"), QRect(404, 6, 150, 16));
    edtValor = new QLineEdit(this);
    edtValor->setObjectName(QStringLiteral("edtValor"));
    edtValor->setGeometry(404, 22, 148, 23);
    SpeedButton1 = new QToolButton(this);
    SpeedButton1->setObjectName(QStringLiteral("SpeedButton1"));
    SpeedButton1->setIcon(magnifier());
    SpeedButton1->setToolTip(QStringLiteral("Buscar el valor"));
    SpeedButton1->setGeometry(555, 22, 25, 23);

    DBGrid1 = new TTolvaneDBgrid(this, QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(8, 52, 572, 318);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Rows alternate white and the info background; the current row takes the highlight colour.
    DBGrid1->setStyleSheet(QStringLiteral("QTableView { background-color: #FFFFFF; "
                                          "alternate-background-color: #FFFFE1; "
                                          "selection-background-color: palette(highlight); "
                                          "selection-color: palette(highlighted-text); }"));
    DBGrid1->SetDataSource(Datos1);

    QNavegador1 = new TQNavegador(this, QStringLiteral("QNavegador1"));
    QNavegador1->SetVisibleButtons(TNavButtonSet(nbFirst) | nbPrior | nbNext | nbLast);
    QNavegador1->setGeometry(8, 376, 140, 27);
    QNavegador1->SetDataSource(Datos1);

    auto *botones = new QFrame(this);
    botones->setObjectName(QStringLiteral("PnlBotones"));
    botones->setFrameShape(QFrame::StyledPanel);
    botones->setGeometry(588, 8, 125, 170);
    BitBtnAceptar = button(botones, QStringLiteral("BitBtnAceptar"), QStringLiteral("Aceptar"),
                           QStyle::SP_DialogOkButton, QRect(8, 8, 109, 30));
    BitBtnAceptar->setDefault(true);
    BitBtn2 = button(botones, QStringLiteral("BitBtn2"), QStringLiteral("Cancelar"), QStyle::SP_DialogCancelButton,
                     QRect(8, 46, 109, 30));
    QSDBQbe1 = new TQSDBQbe(botones, QStringLiteral("QSDBQbe1"));
    QSDBQbe1->setText(QStringLiteral("Query     "));
    QSDBQbe1->setToolTip(QStringLiteral("Query By Example"));
    QSDBQbe1->setIcon(style()->standardIcon(QStyle::SP_FileDialogContentsView));
    QSDBQbe1->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    QSDBQbe1->setAutoRaise(true);
    QSDBQbe1->setGeometry(8, 84, 109, 30);
    QSDBQbe1->PermiteFiltro = false;
    QSDBQbe1->Refrescar = true;
    QSDBQbe1->SQLUpperCase = true;
    BitBtn3 = button(botones, QStringLiteral("BitBtn3"), QStringLiteral("Ayuda"), QStyle::SP_DialogHelpButton,
                     QRect(8, 122, 109, 30));

    auto *panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("sistemas"));
    panel->setFrameShape(QFrame::StyledPanel);
    panel->setGeometry(588, 186, 125, 215);
    sistemas = panel;
    ImgTolvane = new QLabel(panel);
    ImgTolvane->setObjectName(QStringLiteral("ImgTolvane"));
    ImgTolvane->setToolTip(QStringLiteral("Acerca de Tolvane"));
    ImgTolvane->setPixmap(emblem(56));
    ImgTolvane->setAlignment(Qt::AlignCenter);
    ImgTolvane->setGeometry(8, 10, 109, 64);
    LblVersion = caption(panel, QStringLiteral("LblVersion"), QStringLiteral("Versión"), QRect(2, 84, 121, 18));
    LblVersion->setAlignment(Qt::AlignCenter);
    LblCredito1 = caption(panel, QStringLiteral("LblCredito1"), QStringLiteral("Desarrollo: Área de Sistemas"),
                          QRect(4, 116, 117, 40));
    LblCredito1->setWordWrap(true);
    LblCredito1->setAlignment(Qt::AlignCenter);
    LblCredito2 = caption(panel, QStringLiteral("LblCredito2"), QStringLiteral("Todos los derechos reservados"),
                          QRect(4, 162, 117, 40));
    LblCredito2->setWordWrap(true);
    LblCredito2->setAlignment(Qt::AlignCenter);

    setTabOrder(CmbCampos, edtBusqueda);
    setTabOrder(edtBusqueda, edtValor);
    setTabOrder(edtValor, SpeedButton1);
    setTabOrder(SpeedButton1, DBGrid1);
    setTabOrder(DBGrid1, BitBtnAceptar);
    setTabOrder(BitBtnAceptar, BitBtn2);
}
