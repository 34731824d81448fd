// The capture dialog's searches: incremental, by value, and the field chooser.
#include "TCapturaFixture.h"

class tst_CapturaBusqueda : public QObject, protected TCapturaFixture
{
    Q_OBJECT

private slots:
    void init() { Init(); }
    void cleanup() { Cleanup(); }

    void incrementalSearch_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("startRow");
        QTest::addColumn<int>("expectedTerc");
        QTest::addColumn<QString>("expectedText");
        QTest::newRow("texto, prefijo exacto") << 2 << QStringLiteral("Mar") << 1 << 102 << QStringLiteral("Mar");
        QTest::newRow("texto, minúsculas") << 2 << QStringLiteral("mart") << 1 << 103 << QStringLiteral("mart");
        QTest::newRow("texto, mayúsculas") << 2 << QStringLiteral("MARC") << 1 << 104 << QStringLiteral("MARC");
        QTest::newRow("texto, otra columna") << 3 << QStringLiteral("ro") << 1 << 105 << QStringLiteral("ro");
        QTest::newRow("texto sin coincidencia") << 2 << QStringLiteral("zz") << 3 << 103 << QStringLiteral("zz");
        QTest::newRow("número") << 1 << QStringLiteral("104") << 1 << 104 << QStringLiteral("104");
        QTest::newRow("número y letra") << 1 << QStringLiteral("103x") << 1 << 103 << QStringLiteral("103");
        QTest::newRow("letra en número") << 1 << QStringLiteral("a") << 2 << 102 << QString();
        QTest::newRow("número pequeño") << 0 << QStringLiteral("2") << 1 << 104 << QStringLiteral("2");
    }
    void incrementalSearch()
    {
        QFETCH(int, column);
        QFETCH(QString, typed);
        QFETCH(int, startRow);
        QFETCH(int, expectedTerc);
        QFETCH(QString, expectedText);
        int terc = -1;
        QString text, valor;
        script = [&](TCaptura &d) {
            d.CmbCampos->setCurrentIndex(column);
            emit d.CmbCampos->activated(column);
            d.CdsTmp->SetRecNo(startRow);
            d.edtValor->setText(QStringLiteral("algo"));
            QTest::keyClicks(d.edtBusqueda, typed);
            terc = currentTerc(d);
            text = d.edtBusqueda->text();
            valor = d.edtValor->text();
        };
        dialog->CapturarBoton(boton.get());
        QCOMPARE(terc, expectedTerc);
        QCOMPARE(text, expectedText);
        // A refused text also empties the value box.
        QCOMPARE(valor.isEmpty(), text != typed);
    }

    void searchByValue_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("expectedTerc");
        QTest::addColumn<QString>("expectedText");
        QTest::addColumn<QString>("expectedValor");
        QTest::newRow("texto") << 2 << QString() << QStringLiteral("marc") << 104 << QStringLiteral("marc")
                               << QStringLiteral("marc");
        QTest::newRow("número") << 1 << QString() << QStringLiteral("105") << 105 << QStringLiteral("105")
                                << QStringLiteral("105");
        QTest::newRow("texto en número") << 1 << QStringLiteral("102") << QStringLiteral("abc") << 102
                                         << QStringLiteral("102") << QString();
    }
    void searchByValue()
    {
        QFETCH(int, column);
        QFETCH(QString, before);
        QFETCH(QString, value);
        QFETCH(int, expectedTerc);
        QFETCH(QString, expectedText);
        QFETCH(QString, expectedValor);
        int terc = -1;
        QString text, valor;
        script = [&](TCaptura &d) {
            d.CmbCampos->setCurrentIndex(column);
            d.edtBusqueda->setText(before);
            d.edtValor->setText(value);
            QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
            terc = currentTerc(d);
            text = d.edtBusqueda->text();
            valor = d.edtValor->text();
        };
        dialog->CapturarBoton(boton.get());
        QCOMPARE(terc, expectedTerc);
        QCOMPARE(text, expectedText);
        QCOMPARE(valor, expectedValor);
    }

    void chooserClickEmptiesSearches()
    {
        QString text, valor;
        script = [&](TCaptura &d) {
            d.edtBusqueda->setText(QStringLiteral("ma"));
            d.edtValor->setText(QStringLiteral("ma"));
            emit d.CmbCampos->activated(1);
            text = d.edtBusqueda->text();
            valor = d.edtValor->text();
        };
        dialog->CapturarBoton(boton.get());
        QVERIFY(text.isEmpty());
        QVERIFY(valor.isEmpty());
    }
};

QTEST_MAIN(tst_CapturaBusqueda)
#include "tst_CapturaBusqueda.moc"
