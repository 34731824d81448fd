// The capture dialog as a whole: showing, acceptance, cancel, listing and the modal loop.
#include "TCapturaFixture.h"
#include "controls/TQbeDialog.h"

class tst_Captura : public QObject, protected TCapturaFixture
{
    Q_OBJECT

private slots:
    void init() { Init(); }
    void cleanup() { Cleanup(); }

    void showPreparesTheDialog()
    {
        dest->Cancel();
        QStringList values;
        QString version, caption;
        bool aceptarEnabled = false; // the field chooser and the titles: see titles()
        script = [&](TCaptura &d) {
            version = d.LblVersion->text();
            caption = d.Caption();
            aceptarEnabled = d.BitBtnAceptar->isEnabled();
        };
        MostrarTodo(true);
        dialog->edtBusqueda->setText(QStringLiteral("resto"));
        dialog->edtValor->setText(QStringLiteral("resto"));
        QVERIFY(!dialog->Capturar(conn.get(), nullptr, kSql, {QStringLiteral("COD_TERC")}, {}, values, kTitles,
                                  QStringLiteral(" Lista de Empleados")));
        const QDate today = QDate::currentDate();
        QCOMPARE(version, QStringLiteral("Versión %1.0 %2")
                              .arg(today.toString(QStringLiteral("yy")), today.toString(QStringLiteral("yyyy"))));
        QCOMPARE(caption, QStringLiteral(" Lista de Empleados"));
        QVERIFY(aceptarEnabled);
        QVERIFY(dialog->edtBusqueda->text().isEmpty());
        QVERIFY(dialog->edtValor->text().isEmpty());
        QVERIFY(!dialog->CdsTmp->Active());
        QVERIFY(values.isEmpty());
        QVERIFY(messages.isEmpty());
        QVERIFY(dialog->QSDBQbe1->UsaFormatoFecha);
    }

    void emptyGridDoubleClick()
    {
        // Tag 1: the criteria are asked for first; the user gives up, so the grid stays empty.
        setUpButton(1);
        boton->Valores = {QStringLiteral("anterior")};
        int modalAfterDoubleClick = -1;
        bool aceptarEnabled = true;
        script = [&](TCaptura &d) {
            QCOMPARE(d.CdsTmp->RecordCount(), 0);
            aceptarEnabled = d.BitBtnAceptar->isEnabled();
            QTest::mouseDClick(d.DBGrid1->viewport(), Qt::LeftButton, {}, QPoint(40, 10));
            d.DBGrid1DblClick(d.DBGrid1);
            modalAfterDoubleClick = d.ModalResult();
            QVERIFY(d.isVisible());
        };
        QVERIFY(!dialog->CapturarBoton(boton.get()));
        QCOMPARE(prompts->asked.first(), QStringLiteral("Consulta por ejemplo"));
        QVERIFY(!aceptarEnabled);
        QCOMPARE(modalAfterDoubleClick, int(mrNone));
        QVERIFY(!AceptadoPorDobleClic);
        QCOMPARE(boton->Valores, QStringList{QStringLiteral("anterior")});
        QCOMPARE(destText(QStringLiteral("COD_RESP")), QStringLiteral("900"));
    }

    void mostrarTodo_data()
    {
        QTest::addColumn<int>("tag");
        QTest::addColumn<QStringList>("sql");
        QTest::addColumn<QString>("emptyOpen");
        QTest::addColumn<int>("asked");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("listing");
        QTest::newRow("Tag 0, sin WHERE") << 0 << kSql << QStringLiteral(" WHERE 1=0") << 0 << 5 << kSql.first();
        QTest::newRow("Tag 0, con WHERE")
            << 0 << kSqlWhere << QStringLiteral(" AND 1=0") << 0 << 5
            << QStringLiteral(" SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC  FROM GN_TERCE \r\n where COD_EMPR = 1");
        QTest::newRow("Tag 1, sin WHERE") << 1 << kSql << QStringLiteral(" WHERE 1=0") << 1 << 3
                                          << kSql.first() + QStringLiteral(" WHERE UPPER(NOM_TERC) LIKE :QBE1");
        QTest::newRow("Tag 5, con WHERE")
            << 5 << kSqlWhere << QStringLiteral(" AND 1=0") << 1 << 3
            << QStringLiteral(" SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC  FROM GN_TERCE \r\n where COD_EMPR = 1"
                              " AND UPPER(NOM_TERC) LIKE :QBE1");
    }
    void mostrarTodo()
    {
        QFETCH(int, tag);
        QFETCH(QStringList, sql);
        QFETCH(QString, emptyOpen);
        QFETCH(int, asked);
        QFETCH(int, rows);
        QFETCH(QString, listing);
        setUpButton(tag);
        boton->SQL = sql;
        // The criteria dialog comes before the list, when it is asked for at all.
        if (asked)
            prompts->answers.push_back([](QWidget &d) {
                static_cast<TQbeDialog &>(d).SetCriteria(
                    {{QStringLiteral("NOM_TERC"), TQbeOperator::StartsWith, QStringLiteral("ma")}});
                return int(QDialog::Accepted);
            });
        int shownRows = -1;
        script = [&](TCaptura &d) { shownRows = d.DBGrid1->model()->rowCount(); };
        dialog->CapturarBoton(boton.get());
        QCOMPARE(dialog->MostrarTodo, tag == 0);
        QCOMPARE(int(prompts->asked.count(QStringLiteral("Consulta por ejemplo"))), asked);
        QCOMPARE(shownRows, rows);
        QCOMPARE(server->Commands.size(), 2);
        QVERIFY2(server->Commands.at(0).trimmed().endsWith(emptyOpen), qPrintable(server->Commands.at(0)));
        QCOMPARE(server->Commands.at(1).trimmed(), listing.trimmed());
    }

    void titles_data()
    {
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("expectedMessages");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("headings");
        const QString mismatch = QStringLiteral("[Error en TITULOS][Falta definicion de titulos]");
        QTest::newRow("títulos completos") << kTitles << QStringList{} << kTitles << kTitles;
        QTest::newRow("sin títulos") << QStringList{} << QStringList{} << kColumns << kColumns;
        // One message per opening of the result: the empty one and the full listing.
        QTest::newRow("títulos de menos") << QStringList{QStringLiteral("Empresa"), QStringLiteral("Identificación")}
                                          << QStringList{mismatch, mismatch}
                                          << QStringList{QStringLiteral("Empresa"), QStringLiteral("Identificación"),
                                                         QStringLiteral("NOM_TERC"), QStringLiteral("APE_TERC")}
                                          << kColumns;
        QTest::newRow("títulos de más") << kTitles + QStringList{QStringLiteral("Otro")}
                                        << QStringList{mismatch, mismatch} << kTitles << kColumns;
    }
    void titles()
    {
        QFETCH(QStringList, titles);
        QFETCH(QStringList, expectedMessages);
        QFETCH(QStringList, items);
        QFETCH(QStringList, headings);
        boton->Titulos = titles;
        QStringList shownItems, shownCodes, shownHeadings;
        script = [&](TCaptura &d) {
            shownItems = d.CmbCampos->Items();
            shownCodes = d.CmbCampos->Codigos();
            for (int c = 0; c < d.DBGrid1->model()->columnCount(); ++c)
                shownHeadings << d.DBGrid1->model()->headerData(c, Qt::Horizontal).toString();
        };
        dialog->CapturarBoton(boton.get());
        QCOMPARE(messageTexts(), expectedMessages);
        QCOMPARE(shownItems, items);
        QCOMPARE(shownCodes, kColumns);
        QCOMPARE(shownHeadings, headings);
        QCOMPARE(TitulosActuales, titles);
    }

    void serverErrorPropagates()
    {
        boton->SQL = {QStringLiteral("SELECT COD_EMPR, COD_TERC, NOM_TERC, APE_TERC FROM FALLA")};
        bool ran = false;
        script = [&](TCaptura &) { ran = true; };
        QString message;
        try {
            dialog->CapturarBoton(boton.get());
        } catch (const Exception &e) {
            message = e.Message();
        }
        QCOMPARE(message, QStringLiteral("Tabla FALLA no existe"));
        QVERIFY(!ran);
        QVERIFY(!dialog->isVisible());
    }

    // How the dialog ends, through its real modal loop: the chosen row reaches the destination and
    // the button on "Aceptar", Enter or a double click; nothing changes on "Cancelar", Escape or
    // closing the window.
    void modalEnds_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("empOrig"); // empty: cancelled
        QTest::addColumn<QString>("codResp");
        QTest::newRow("Aceptar") << QStringLiteral("aceptar") << 1 << QStringLiteral("1") << QStringLiteral("102");
        QTest::newRow("Enter") << QStringLiteral("enter") << 1 << QStringLiteral("1") << QStringLiteral("102");
        QTest::newRow("doble clic") << QStringLiteral("doble") << 3 << QStringLiteral("2") << QStringLiteral("104");
        QTest::newRow("Cancelar") << QStringLiteral("cancelar") << 1 << QString() << QString();
        QTest::newRow("Escape") << QStringLiteral("escape") << 1 << QString() << QString();
        QTest::newRow("cerrar ventana") << QStringLiteral("cerrar") << 1 << QString() << QString();
    }
    void modalEnds()
    {
        QFETCH(QString, action);
        QFETCH(int, row);
        QFETCH(QString, empOrig);
        QFETCH(QString, codResp);
        Application()->SetPrompts(nullptr);
        boton->Valores = {QStringLiteral("anterior")};
        bool wasModal = false;
        int modalResult = -1;
        QTimer::singleShot(0, dialog.get(), [&] {
            wasModal = dialog->isVisible() && dialog->isModal();
            dialog->CdsTmp->SetRecNo(row + 1);
            if (action == QStringLiteral("aceptar"))
                QTest::mouseClick(dialog->BitBtnAceptar, Qt::LeftButton);
            else if (action == QStringLiteral("enter"))
                QTest::keyClick(dialog->edtBusqueda, Qt::Key_Return);
            else if (action == QStringLiteral("doble"))
                doubleClickRow(*dialog, row);
            else if (action == QStringLiteral("cancelar"))
                QTest::mouseClick(dialog->BitBtn2, Qt::LeftButton);
            else if (action == QStringLiteral("escape"))
                QTest::keyClick(dialog.get(), Qt::Key_Escape);
            else
                dialog->close();
            modalResult = dialog->ModalResult();
        });
        const bool accepted = !empOrig.isEmpty();
        QCOMPARE(dialog->CapturarBoton(boton.get()), accepted);
        QVERIFY(wasModal);
        QVERIFY(!dialog->isVisible());
        QCOMPARE(modalResult, accepted && action != QStringLiteral("doble") ? int(mrOk) : int(mrCancel));
        QCOMPARE(AceptadoPorDobleClic, action == QStringLiteral("doble"));
        QCOMPARE(destText(QStringLiteral("EMP_ORIG")), accepted ? empOrig : QStringLiteral("7"));
        QCOMPARE(destText(QStringLiteral("COD_RESP")), accepted ? codResp : QStringLiteral("900"));
        QCOMPARE(boton->Valores, accepted ? (QStringList{empOrig, codResp}) : QStringList(QStringLiteral("anterior")));
        QCOMPARE(BotonActual.data(), boton.get());
        QVERIFY(messages.isEmpty() && exceptions.isEmpty());
        QVERIFY(!dialog->CdsTmp->Active());
    }

    // Writes the dialog as a user sees it, when CAPTURA_SCREENSHOT names the file.
    void screenshot()
    {
        const QString path = qEnvironmentVariable("CAPTURA_SCREENSHOT");
        if (path.isEmpty())
            QSKIP("CAPTURA_SCREENSHOT not set");
        server->Tables[QStringLiteral("DtsPTemporal")].Rows
            << QVariantList{1, 106, QStringLiteral("Carlos"), QStringLiteral("Mendoza")}
            << QVariantList{1, 107, QStringLiteral("Lucía"), QStringLiteral("Fernández")}
            << QVariantList{2, 108, QStringLiteral("Jorge"), QStringLiteral("Restrepo")};
        bool saved = false;
        script = [&](TCaptura &d) {
            d.CmbCampos->setCurrentIndex(2);
            QTest::keyClicks(d.edtBusqueda, QStringLiteral("mar"));
            d.DBGrid1->setFocus();
            QApplication::processEvents();
            saved = d.grab().save(path);
        };
        dialog->CapturarBoton(boton.get());
        QVERIFY(saved);
    }

private:
};

QTEST_MAIN(tst_Captura)
#include "tst_Captura.moc"
