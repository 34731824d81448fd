// Acceptance copying into the destination: messages with line numbers, the Tag guard, the lookup text.
#include "TCapturaFixture.h"

class tst_CapturaCopia : public QObject, protected TCapturaFixture
{
    Q_OBJECT

private slots:
    void init() { Init(); }
    void cleanup() { Cleanup(); }

    void messagesOfAcceptance_data()
    {
        QTest::addColumn<QStringList>("variables");
        QTest::addColumn<QStringList>("destino");
        QTest::addColumn<bool>("withDataSet");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("empOrig");
        QTest::addColumn<QString>("codResp");
        QTest::addColumn<QStringList>("values");
        const QString e = QStringLiteral("EMP_ORIG"), r = QStringLiteral("COD_RESP");
        const QString em = QStringLiteral("COD_EMPR"), te = QStringLiteral("COD_TERC");
        QTest::newRow("variable vacía en la línea 2")
            << QStringList{te, QStringLiteral("   ")} << QStringList{r, e} << true
            << QStringLiteral("[Error en VARIABLES][Linea (2) vacia ]") << QStringLiteral("7") << QStringLiteral("102")
            << QStringList{QStringLiteral("102")};
        QTest::newRow("variable vacía en la línea 1")
            << QStringList{QString(), te} << QStringList{e, r} << true
            << QStringLiteral("[Error en VARIABLES][Linea (1) vacia ]") << QStringLiteral("7") << QStringLiteral("900")
            << QStringList{QStringLiteral("anterior")};
        QTest::newRow("variable que no está en la consulta")
            << QStringList{em, QStringLiteral("cod_xxx ")} << QStringList{e, r} << true
            << QStringLiteral("[Error en VARIABLES][no existe variable <COD_XXX> en Query ]") << QStringLiteral("1")
            << QStringLiteral("900") << QStringList{QStringLiteral("1")};
        QTest::newRow("destino vacío en la línea 2")
            << QStringList{em, te} << QStringList{e, QStringLiteral(" ")} << true
            << QStringLiteral("[Error en DESTINO][Linea (2) vacia ]") << QStringLiteral("1") << QStringLiteral("900")
            << QStringList{QStringLiteral("1"), QStringLiteral("102")};
        QTest::newRow("destino que falta en la línea 2")
            << QStringList{em, te} << QStringList{e} << true << QStringLiteral("[Error en DESTINO][Linea (2) vacia ]")
            << QStringLiteral("1") << QStringLiteral("900") << QStringList{QStringLiteral("1"), QStringLiteral("102")};
        QTest::newRow("nombres con blancos y minúsculas")
            << QStringList{QStringLiteral(" cod_empr"), QStringLiteral("Cod_Terc  ")}
            << QStringList{QStringLiteral("emp_orig "), QStringLiteral(" cod_resp")} << true << QString()
            << QStringLiteral("1") << QStringLiteral("102") << QStringList{QStringLiteral("1"), QStringLiteral("102")};
        QTest::newRow("sin dataset destino")
            << QStringList{te, QStringLiteral("NOM_TERC")} << QStringList{} << false << QString() << QStringLiteral("7")
            << QStringLiteral("900") << QStringList{QStringLiteral("102"), QStringLiteral("Mario")};
    }
    void messagesOfAcceptance()
    {
        QFETCH(QStringList, variables);
        QFETCH(QStringList, destino);
        QFETCH(bool, withDataSet);
        QFETCH(QString, message);
        QFETCH(QString, empOrig);
        QFETCH(QString, codResp);
        QFETCH(QStringList, values);
        QStringList requestValues{QStringLiteral("anterior")};
        bool closed = false;
        script = [&](TCaptura &d) {
            d.CdsTmp->SetRecNo(2);
            d.BitBtnAceptar->click();
            closed = d.ModalResult() == mrOk;
        };
        MostrarTodo(true);
        QVERIFY(dialog->Capturar(conn.get(), withDataSet ? dest.get() : nullptr, kSql, variables, destino,
                                 requestValues, {}, QStringLiteral("Prueba")));
        QVERIFY(closed);
        QCOMPARE(messageTexts(), message.isEmpty() ? QStringList() : QStringList{message});
        for (const auto &m : std::as_const(messages))
            QCOMPARE(m.first, QMessageBox::NoIcon);
        QCOMPARE(destText(QStringLiteral("EMP_ORIG")), empOrig);
        QCOMPARE(destText(QStringLiteral("COD_RESP")), codResp);
        QCOMPARE(requestValues, values);
        QVERIFY(exceptions.isEmpty());
        if (message.isEmpty()) {
            for (const QString &v : std::as_const(dialog->Variables))
                QCOMPARE(v, v.trimmed().toUpper());
        }
    }

    void destinationNotEditing()
    {
        dest->Post();
        QStringList values;
        script = [&](TCaptura &d) {
            d.CdsTmp->SetRecNo(2);
            d.BitBtnAceptar->click();
        };
        MostrarTodo(true);
        QVERIFY(dialog->Capturar(conn.get(), dest.get(), kSql, {QStringLiteral("COD_TERC")},
                                 {QStringLiteral("COD_RESP")}, values, {}, QString()));
        QCOMPARE(values, QStringList{QStringLiteral("102")});
        QCOMPARE(destText(QStringLiteral("COD_RESP")), QStringLiteral("900"));
        QCOMPARE(dest->State(), dsBrowse);
    }

    void tagGuard_data()
    {
        QTest::addColumn<qintptr>("tag");
        QTest::addColumn<bool>("refuse");
        QTest::addColumn<qintptr>("restored");
        QTest::newRow("Tag 0") << qintptr(0) << false << qintptr(0);
        QTest::newRow("Tag 7") << qintptr(7) << false << qintptr(7);
        QTest::newRow("Tag 7, el campo rechaza") << qintptr(7) << true << qintptr(7);
        QTest::newRow("Tag de 17 bits") << qintptr(70000) << false << qintptr(70000 & 0xFFFF);
    }
    void tagGuard()
    {
        QFETCH(qintptr, tag);
        QFETCH(bool, refuse);
        QFETCH(qintptr, restored);
        TField *codResp = dest->FieldByName(QStringLiteral("COD_RESP"));
        codResp->Tag = tag;
        QList<qintptr> seen;
        codResp->OnValidate = [&](TField &f) {
            seen << f.Tag;
            if (refuse)
                throw Exception(QStringLiteral("Responsable no válido"));
        };
        bool closed = false;
        script = [&](TCaptura &d) {
            d.CdsTmp->SetRecNo(3);
            d.BitBtnAceptar->click();
            closed = d.ModalResult() == mrOk;
        };
        dialog->CapturarBoton(boton.get());
        codResp->OnValidate = nullptr;
        QCOMPARE(seen, QList<qintptr>{tag + 1000});
        QCOMPARE(codResp->Tag, restored);
        QVERIFY(closed);
        QCOMPARE(destText(QStringLiteral("COD_RESP")), refuse ? QStringLiteral("900") : QStringLiteral("103"));
        QCOMPARE(exceptions, refuse ? QStringList{QStringLiteral("Responsable no válido")} : QStringList{});
        QCOMPARE(dest->FieldByName(QStringLiteral("EMP_ORIG"))->Tag, qintptr(0));
    }

    void lookUpField_data()
    {
        QTest::addColumn<QString>("lookUpField");
        QTest::addColumn<QString>("lookupText");
        QTest::addColumn<QStringList>("errors");
        QTest::newRow("campo de la consulta")
            << QStringLiteral(" NOM_TERC ") << QStringLiteral("Mario") << QStringList{};
        QTest::newRow("sin campo") << QString() << QString() << QStringList{};
        // Each copied variable looks the field up, so two variables report it twice.
        const QString error = QStringLiteral(" Error de parametrización de componente [QPFldPrueba] campo LookUpField "
                                             "[NOM_XXX] no encontrado en query de consulta ");
        QTest::newRow("campo que no está en la consulta")
            << QStringLiteral("NOM_XXX") << QStringLiteral("previo") << QStringList{error, error};
    }
    void lookUpField()
    {
        QFETCH(QString, lookUpField);
        QFETCH(QString, lookupText);
        QFETCH(QStringList, errors);
        boton->LookUpField = lookUpField;
        boton->LookupText = QStringLiteral("previo");
        script = [&](TCaptura &d) {
            d.CdsTmp->SetRecNo(2);
            d.BitBtnAceptar->click();
        };
        QVERIFY(dialog->CapturarBoton(boton.get()));
        QCOMPARE(boton->LookupText, lookupText);
        QCOMPARE(messageTexts(), errors);
        for (const auto &m : std::as_const(messages))
            QCOMPARE(m.first, QMessageBox::Critical);
        // The copy goes on after the error.
        QCOMPARE(destText(QStringLiteral("COD_RESP")), QStringLiteral("102"));
    }
};

QTEST_MAIN(tst_CapturaCopia)
#include "tst_CapturaCopia.moc"
