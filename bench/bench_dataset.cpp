// Benchmark of the client dataset engine: scrolling with a calculated field, posting edits, applying
// a change log through an in-memory server, and the memory held by the rows. Each figure is printed
// next to a baseline measured in the same run over a plain std::vector of the same values.
//
//   bench_dataset [rows=100000] [edits=10000] [repeats=7]
#include "IAppServer.h"
#include "SDCOMConnection.h"
#include "dataset/SClientDataSet.h"
#include "dataset/TDateTimeField.h"
#include "dataset/TFloatField.h"
#include "dataset/TIntegerField.h"
#include "dataset/TStringField.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHash>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <malloc.h>
#include <memory>
#include <vector>

using namespace Qt::Literals::StringLiterals;

namespace {

struct Row
{
    int Id;
    QString Name;
    double Amount;
    QDateTime Moment;
};

QString nameOf(int i)
{
    return u"Nombre %1"_s.arg(i, 6, 10, QChar(u'0'));
}

QDateTime momentOf(int i)
{
    return QDateTime(QDate(2024, 1, 1).addDays(i % 365), QTime(8, 0), Qt::UTC);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

size_t heapInUse()
{
    malloc_trim(0);
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd; // small blocks and mmapped large ones
}

// Applies deltas to a keyed table in memory: the part of a provider the client waits for, without
// any database behind it.
class BenchServer : public IAppServer
{
public:
    QList<SFieldDef> Fields;
    QList<QVariantList> Rows;
    QHash<int, int> ByKey;

    SDataPacket GetRecords(const QString &, const QList<SParam> &, const QString &) override
    {
        return SDataPacket{Fields, Rows};
    }
    SApplyResult ApplyUpdates(const QString &, const SDelta &delta, int) override
    {
        for (const SDeltaRow &row : delta.Rows) {
            const int index = ByKey.value(row.OldValues.value(0).toInt(), -1);
            if (index < 0 || row.Kind != TUpdateKind::ukModify)
                continue;
            for (int c = 0; c < row.NewValues.size(); ++c)
                if (row.Changed.value(c))
                    Rows[index][c] = row.NewValues.at(c);
        }
        return SApplyResult{};
    }
    QVariant Call(const QString &, QVariantList &) override { return QVariant(); }
};

void report(const char *what, double value, double baseline, const char *unit)
{
    std::printf("%-44s %10.1f %-4s baseline %10.1f %-4s ratio %6.2f  overhead %8.1f %s\n", what, value, unit, baseline,
                unit, baseline > 0 ? value / baseline : 0.0, value - baseline, unit);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const int rows = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int edits = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int repeats = argc > 3 ? std::atoi(argv[3]) : 7;
    std::printf("rows %d, edits %d, repeats %d (medians)\n\n", rows, edits, repeats);

    // The handler both sides run per record: a calculated amount.
    double sink = 0;
    const std::function<double(double)> handler = [](double amount) { return amount * 1.19; };

    // ---- baseline rows and the in-memory dataset over the same values ---------------------------
    const size_t heap0 = heapInUse();
    std::vector<Row> plain;
    plain.reserve(size_t(rows));
    for (int i = 0; i < rows; ++i)
        plain.push_back(Row{i, nameOf(i), i * 0.5, momentOf(i)});
    const size_t plainBytes = heapInUse() - heap0;

    SClientDataSet cds(nullptr, u"CdsBench"_s);
    auto *id = new TIntegerField(&cds, u"ID"_s);
    auto *name = new TStringField(&cds, u"NAME"_s, 20);
    auto *amount = new TFloatField(&cds, u"AMOUNT"_s);
    auto *moment = new TDateTimeField(&cds, u"MOMENT"_s);
    auto *withTax = new TFloatField(&cds, u"DtfWithTax"_s, fkCalculated);
    cds.CreateDataSet();
    const size_t heap1 = heapInUse();
    QElapsedTimer timer;
    timer.start();
    cds.DisableControls();
    for (const Row &row : plain) {
        cds.Append();
        id->SetAsInteger(row.Id);
        name->SetAsString(row.Name);
        amount->SetAsFloat(row.Amount);
        moment->SetAsDateTime(row.Moment);
        cds.Post();
    }
    cds.MergeChangeLog();
    cds.EnableControls();
    const double appendNs = double(timer.nsecsElapsed()) / rows;
    const size_t cdsBytes = heapInUse() - heap1;

    cds.OnCalcFields = [&](TDataSet &) { withTax->SetAsFloat(handler(amount->AsFloat())); };

    // ---- 1. scroll with a calculated field ---------------------------------------------------------
    std::vector<double> scroll, scrollBase, scrollNoCalc;
    for (int r = 0; r < repeats; ++r) {
        timer.restart();
        for (cds.First(); !cds.Eof(); cds.Next())
            sink += withTax->AsFloat();
        scroll.push_back(double(timer.nsecsElapsed()) / rows);

        timer.restart();
        double current = 0;
        for (const Row &row : plain) {
            current = handler(row.Amount);
            sink += current;
        }
        scrollBase.push_back(double(timer.nsecsElapsed()) / rows);
    }
    {
        const auto saved = cds.OnCalcFields;
        cds.OnCalcFields = nullptr;
        for (int r = 0; r < repeats; ++r) {
            timer.restart();
            for (cds.First(); !cds.Eof(); cds.Next())
                sink += amount->AsFloat();
            scrollNoCalc.push_back(double(timer.nsecsElapsed()) / rows);
        }
        cds.OnCalcFields = saved;
    }

    // ---- 2. post edits -----------------------------------------------------------------------------
    std::vector<double> post, postBase;
    for (int r = 0; r < repeats; ++r) {
        cds.First();
        timer.restart();
        for (int i = 0; i < edits && !cds.Eof(); ++i) {
            cds.Edit();
            amount->SetAsFloat(amount->AsFloat() + 1);
            cds.Post();
            cds.Next();
        }
        post.push_back(double(timer.nsecsElapsed()) / edits);
        cds.MergeChangeLog();

        // Baseline: change the value and keep the original in a log.
        std::vector<std::pair<int, Row>> log;
        log.reserve(size_t(edits));
        timer.restart();
        for (int i = 0; i < edits; ++i) {
            Row &row = plain[size_t(i)];
            log.emplace_back(i, row);
            row.Amount += 1;
            sink += handler(row.Amount);
        }
        postBase.push_back(double(timer.nsecsElapsed()) / edits);
    }

    // ---- 3. apply a change log through the server ----------------------------------------------
    auto server = std::make_shared<BenchServer>();
    server->Fields = {SFieldDef{u"ID"_s, TFieldType::ftInteger, 0, true, false, true, false, {}},
                      SFieldDef{u"NAME"_s, TFieldType::ftString, 20, false, false, false, false, {}},
                      SFieldDef{u"AMOUNT"_s, TFieldType::ftFloat, 0, false, false, false, false, {}},
                      SFieldDef{u"MOMENT"_s, TFieldType::ftDateTime, 0, false, false, false, false, {}}};
    for (int i = 0; i < edits; ++i) {
        server->Rows << QVariantList{i, nameOf(i), i * 0.5, momentOf(i)};
        server->ByKey.insert(i, i);
    }
    SDCOMConnection connection;
    connection.SetAppServer(server);
    SClientDataSet remote(nullptr, u"QryBench"_s);
    remote.RemoteServer = &connection;
    remote.ProviderName = u"DtsPBench"_s;
    remote.Open();
    TField *remoteAmount = remote.FieldByName(u"AMOUNT"_s);
    std::vector<double> apply, applyBase;
    for (int r = 0; r < repeats; ++r) {
        for (remote.First(); !remote.Eof(); remote.Next()) {
            remote.Edit();
            remoteAmount->SetAsFloat(remoteAmount->AsFloat() + 1);
            remote.Post();
        }
        timer.restart();
        const int errors = remote.ApplyUpdates(-1);
        apply.push_back(double(timer.nsecsElapsed()) / edits);
        if (errors != 0 || remote.ChangeCount() != 0)
            std::printf("unexpected: %d errors, %d changes left\n", errors, remote.ChangeCount());

        // Baseline: the same delta built from plain rows and their saved originals.
        timer.restart();
        SDelta delta;
        delta.Fields = server->Fields;
        delta.Rows.reserve(edits);
        for (int i = 0; i < edits; ++i) {
            const Row &row = plain[size_t(i)];
            SDeltaRow d;
            d.Kind = TUpdateKind::ukModify;
            d.OldValues = {row.Id, row.Name, row.Amount - 1, row.Moment};
            d.NewValues = {row.Id, row.Name, row.Amount, row.Moment};
            d.Changed = {false, false, true, false};
            delta.Rows << std::move(d);
        }
        server->ApplyUpdates(u"DtsPBench"_s, delta, -1);
        applyBase.push_back(double(timer.nsecsElapsed()) / edits);
    }

    std::printf("%-44s %10.1f ns/record\n", "append + post into the in-memory dataset", appendNs);
    report("scroll with calculated field (per record)", median(scroll), median(scrollBase), "ns");
    report("scroll without calculated field", median(scrollNoCalc), median(scrollBase), "ns");
    report("post an edit (Edit, assign, Post, Next)", median(post), median(postBase), "ns");
    report("apply change log (per row, incl. server)", median(apply), median(applyBase), "ns");
    std::printf("%-44s %10.1f MB      baseline %10.1f MB      ratio %6.2f\n", "memory of the rows (heap)",
                cdsBytes / 1048576.0, plainBytes / 1048576.0, double(cdsBytes) / double(plainBytes));
    std::printf("%-44s %10.1f MB\n", "  of which the record store reports", cds.MemoryBytes() / 1048576.0);
    std::printf("\n(sink %g)\n", sink);
    return 0;
}
