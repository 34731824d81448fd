// The preview window's parts: toolbar, find bar and status bar, and the actions behind them.
#include "TReportPreview.h"

#include "TPreviewPages.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSpinBox>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

QAction *TReportPreview::NewAction(const QString &text, const QString &toolTip, const QString &keys,
                                   const char *themeIcons, QStyle::StandardPixmap fallback)
{
    auto *action = new QAction(text, this);
    const QList<QKeySequence> shortcuts = QKeySequence::listFromString(keys, QKeySequence::PortableText);
    action->setShortcuts(shortcuts);
    action->setToolTip(QStringLiteral("%1 (%2)").arg(toolTip, shortcuts.value(0).toString(QKeySequence::NativeText)));
    // The desktop's icon theme first (themes that ship only symbolic icons too), then Qt's own icons;
    // with neither the button shows its text.
    QIcon icon;
    for (const QString &name : QString::fromLatin1(themeIcons).split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        for (const QString &candidate : {name, name + QStringLiteral("-symbolic")})
            if (icon.isNull())
                icon = QIcon::fromTheme(candidate);
    }
    if (icon.isNull() && fallback != QStyle::SP_CustomBase)
        icon = style()->standardIcon(fallback);
    action->setIcon(icon);
    // On the window itself too, so the shortcuts of actions kept in menus work.
    addAction(action);
    return action;
}

namespace {

// A toolbar button that opens a menu of actions, and opens it when its own shortcut is pressed.
void addMenuButton(QToolBar *bar, QAction *holder, const QList<QAction *> &items)
{
    auto *menu = new QMenu(bar);
    menu->addActions(items);
    holder->setMenu(menu);
    bar->addAction(holder);
    auto *button = qobject_cast<QToolButton *>(bar->widgetForAction(holder));
    button->setPopupMode(QToolButton::InstantPopup);
    QObject::connect(holder, &QAction::triggered, button, &QToolButton::showMenu);
}

} // namespace

QWidget *TReportPreview::BuildToolBars()
{
    enum Id {
        Print_,
        Open_,
        Save_,
        Pdf,
        Quick,
        ExportMenu,
        Find_,
        Outline,
        ZoomIn_,
        ZoomOut_,
        WholePage,
        PageWidth,
        RealSize,
        Setup,
        GoTo,
        Tools,
        Edit,
        First,
        Previous,
        Next,
        Last,
        Close,
        Count
    };
    struct Definition
    {
        const char *text, *toolTip, *keys, *icons; // UTF-8; keys and icons: several, separated
        QStyle::StandardPixmap fallback;
        void (*run)(TReportPreview *); // null: the action opens a menu or is never enabled
    };
    static const Definition definitions[Count] = {
        {"Imprimir", "Imprimir el reporte", "Ctrl+P", "document-print", QStyle::SP_CustomBase,
         [](TReportPreview *p) { p->Print(); }},
        {"Abrir", "Abrir un reporte preparado guardado", "Ctrl+O", "document-open", QStyle::SP_DialogOpenButton,
         [](TReportPreview *p) { p->Open(); }},
        {"Guardar", "Guardar el reporte preparado en un archivo", "Ctrl+S", "document-save",
         QStyle::SP_DialogSaveButton, [](TReportPreview *p) { p->Save(); }},
        {"Exportar a PDF…", "Exportar el reporte a un archivo PDF", "Ctrl+E", "application-pdf x-office-document",
         QStyle::SP_CustomBase, [](TReportPreview *p) { p->ExportPdfAs(); }},
        {"Exportación rápida", "Exportar a PDF en la carpeta Documentos sin preguntar", "Ctrl+Shift+E", "document-send",
         QStyle::SP_CustomBase, [](TReportPreview *p) { p->QuickExport(); }},
        {"Exportar", "Exportar el reporte", "Alt+E", "document-export document-send", QStyle::SP_CustomBase, nullptr},
        {"Buscar", "Buscar texto en el reporte", "Ctrl+F", "edit-find", QStyle::SP_FileDialogContentsView,
         [](TReportPreview *p) { p->ShowFindBar(); }},
        {"Esquema", "Mostrar u ocultar el esquema del reporte", "F7", "view-list-tree view-list",
         QStyle::SP_FileDialogListView, nullptr},
        {"Acercar", "Aumentar el zoom", "Ctrl++; Ctrl+=", "zoom-in", QStyle::SP_CustomBase,
         [](TReportPreview *p) { p->ZoomIn(); }},
        {"Alejar", "Reducir el zoom", "Ctrl+-", "zoom-out", QStyle::SP_CustomBase,
         [](TReportPreview *p) { p->ZoomOut(); }},
        {"Página completa", "Ver la página completa", "Ctrl+0", "zoom-fit-best", QStyle::SP_CustomBase,
         [](TReportPreview *p) { p->FitWholePage(); }},
        {"Ancho de página", "Ajustar al ancho de la página", "Ctrl+2", "zoom-fit-width", QStyle::SP_CustomBase,
         [](TReportPreview *p) { p->FitPageWidth(); }},
        {"100 %", "Ver la página en su tamaño real", "Ctrl+1", "zoom-original", QStyle::SP_CustomBase,
         [](TReportPreview *p) { p->SetZoom(100); }},
        {"Configurar página", "Elegir el papel y la orientación de la impresión", "Ctrl+Shift+P", "document-page-setup",
         QStyle::SP_CustomBase, [](TReportPreview *p) { p->PageSetup(); }},
        {"Ir a la página…", "Ir a una página por su número", "Ctrl+G", "go-jump", QStyle::SP_CustomBase,
         [](TReportPreview *p) { p->AskPage(); }},
        {"Herramientas", "Herramientas de la vista previa", "Alt+H", "applications-utilities", QStyle::SP_CustomBase,
         nullptr},
        {"Editar", "Las páginas preparadas no se pueden editar", "F2", "document-edit", QStyle::SP_CustomBase, nullptr},
        {"Primera página", "Ir a la primera página", "Ctrl+Home", "go-first", QStyle::SP_MediaSkipBackward,
         [](TReportPreview *p) { p->FirstPage(); }},
        {"Página anterior", "Ir a la página anterior", "Ctrl+PgUp", "go-previous", QStyle::SP_MediaSeekBackward,
         [](TReportPreview *p) { p->PreviousPage(); }},
        {"Página siguiente", "Ir a la página siguiente", "Ctrl+PgDown", "go-next", QStyle::SP_MediaSeekForward,
         [](TReportPreview *p) { p->NextPage(); }},
        {"Última página", "Ir a la última página", "Ctrl+End", "go-last", QStyle::SP_MediaSkipForward,
         [](TReportPreview *p) { p->LastPage(); }},
        {"Cerrar", "Cerrar la vista previa", "Esc", "window-close", QStyle::SP_DialogCloseButton,
         [](TReportPreview *p) { p->reject(); }},
    };
    QAction *a[Count];
    for (int i = 0; i < Count; ++i) {
        const Definition &d = definitions[i];
        a[i] = NewAction(QString::fromUtf8(d.text), QString::fromUtf8(d.toolTip), QString::fromLatin1(d.keys), d.icons,
                         d.fallback);
        if (d.run)
            connect(a[i], &QAction::triggered, this, [this, run = d.run] { run(this); });
    }
    m_actOutline = a[Outline];
    m_actOutline->setCheckable(true);
    connect(m_actOutline, &QAction::toggled, m_outline, &QWidget::setVisible);
    m_actEdit = a[Edit];
    m_actEdit->setEnabled(false);
    m_actEdit->setVisible(m_showEdit);
    m_actFirst = a[First];
    m_actPrevious = a[Previous];
    m_actNext = a[Next];
    m_actLast = a[Last];

    // Two bars side by side: when the window is narrow the main one folds its last buttons into its
    // extension menu, while the page navigator and "Cerrar" stay in sight.
    auto *row = new QWidget(this);
    m_toolBar = new QToolBar(row);
    auto *navigator = new QToolBar(row);
    for (QToolBar *bar : {m_toolBar, navigator}) {
        bar->setToolButtonStyle(Qt::ToolButtonIconOnly);
        bar->setIconSize(QSize(22, 22));
    }
    auto *rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(0, 0, 0, 0);
    rowLayout->setSpacing(0);
    rowLayout->addWidget(m_toolBar, 1);
    rowLayout->addWidget(navigator);

    m_zoomBox = new QComboBox(m_toolBar);
    m_zoomBox->setEditable(true);
    m_zoomBox->setInsertPolicy(QComboBox::NoInsert);
    m_zoomBox->setToolTip(QStringLiteral("Zoom"));
    for (const int percent : {25, 50, 75, 100, 125, 150, 200, 300, 400, 800})
        m_zoomBox->addItem(QStringLiteral("%1 %").arg(percent));
    m_zoomBox->setMinimumContentsLength(6);
    connect(m_zoomBox->lineEdit(), &QLineEdit::editingFinished, this, &TReportPreview::ZoomTyped);
    connect(m_zoomBox, &QComboBox::activated, this, &TReportPreview::ZoomTyped);

    m_pageBox = new QSpinBox(navigator);
    m_pageBox->setKeyboardTracking(false);
    m_pageBox->setToolTip(QStringLiteral("Página"));
    connect(m_pageBox, &QSpinBox::valueChanged, this, &TReportPreview::GoToPage);
    m_pageCountLabel = new QLabel(navigator);
    m_pageCountLabel->setContentsMargins(4, 0, 4, 0);

    m_toolBar->addActions({a[Print_], a[Open_], a[Save_]});
    addMenuButton(m_toolBar, a[ExportMenu], {a[Pdf], a[Quick]});
    m_actExport = a[ExportMenu];
    m_toolBar->addSeparator();
    m_toolBar->addActions({a[Find_], a[Outline]});
    m_toolBar->addSeparator();
    m_toolBar->addActions({a[ZoomIn_], a[ZoomOut_]});
    m_toolBar->addWidget(m_zoomBox);
    m_toolBar->addActions({a[WholePage], a[PageWidth], a[RealSize]});
    m_toolBar->addSeparator();
    m_toolBar->addAction(a[Setup]);
    addMenuButton(m_toolBar, a[Tools], {a[GoTo]});
    m_toolBar->addAction(a[Edit]);
    navigator->addActions({a[First], a[Previous]});
    navigator->addWidget(m_pageBox);
    navigator->addWidget(m_pageCountLabel);
    navigator->addActions({a[Next], a[Last]});
    navigator->addSeparator();
    navigator->addAction(a[Close]);
    return row;
}

void TReportPreview::ShowFindBar()
{
    m_findBar->show();
    m_findEdit->setFocus();
    m_findEdit->selectAll();
}

void TReportPreview::BuildFindBar(QWidget *bar)
{
    m_findEdit = new QLineEdit(bar);
    m_findEdit->setPlaceholderText(QStringLiteral("Texto a buscar"));
    m_findEdit->setClearButtonEnabled(true);
    QAction *next = NewAction(QStringLiteral("Siguiente"), QStringLiteral("Buscar la siguiente coincidencia"),
                              QStringLiteral("F3"), "go-down");
    QAction *previous = NewAction(QStringLiteral("Anterior"), QStringLiteral("Buscar la coincidencia anterior"),
                                  QStringLiteral("Shift+F3"), "go-up");
    QAction *hide = NewAction(QStringLiteral("Ocultar"), QStringLiteral("Ocultar la búsqueda"),
                              QStringLiteral("Ctrl+Shift+F"), "window-close", QStyle::SP_DialogCloseButton);
    auto *layout = new QHBoxLayout(bar);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->addWidget(new QLabel(QStringLiteral("Buscar:"), bar));
    layout->addWidget(m_findEdit, 1);
    // Tool buttons rather than push buttons: Enter in the text must not reach a dialog's default button.
    for (QAction *action : {next, previous, hide}) {
        auto *button = new QToolButton(bar);
        button->setDefaultAction(action);
        button->setToolButtonStyle(action == hide ? Qt::ToolButtonIconOnly : Qt::ToolButtonTextBesideIcon);
        layout->addWidget(button);
    }
    layout->addStretch(1);
    bar->hide();
    connect(m_findEdit, &QLineEdit::returnPressed, this, &TReportPreview::FindNext);
    connect(next, &QAction::triggered, this, &TReportPreview::FindNext);
    connect(previous, &QAction::triggered, this, &TReportPreview::FindPrevious);
    connect(hide, &QAction::triggered, bar, &QWidget::hide);
}

void TReportPreview::BuildStatusBar()
{
    m_statusBar = new QStatusBar(this);
    m_statusBar->setSizeGripEnabled(false);
    m_pageStatus = new QLabel(m_statusBar);
    m_zoomStatus = new QLabel(m_statusBar);
    m_statusBar->addPermanentWidget(m_pageStatus);
    m_statusBar->addPermanentWidget(m_zoomStatus);
}
