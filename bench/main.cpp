// gravelin_bench: one measurement of the table editor's grid per process.
//   gravelin_bench create DATABASE
//   gravelin_bench create-10m DATABASE
//   gravelin_bench first-screen|fetch-all|bare-fetch DATABASE TABLE
//   gravelin_bench filter DATABASE TABLE TEXT
//   gravelin_bench export DATABASE TABLE txt|csv|xml|xlsx|pdf [ROWS]
//   gravelin_bench bare-xlsx DATABASE TABLE
//   gravelin_bench delete-rows DATABASE TABLE ROWS
//   gravelin_bench select-all-delete DATABASE TABLE
//   gravelin_bench import|bare-insert DATABASE TABLE ROWS
//   gravelin_bench replace-all|picker DATABASE TABLE
// bench/run drives it and prints the medians. DATABASE is a file, or
// "host[/port]:path" for a database on a server.

#include "app/files.h"
#include "bench/benchdatabase.h"
#include "bench/deletemeasures.h"
#include "bench/exportmeasures.h"
#include "bench/importmeasures.h"
#include "bench/findmeasures.h"
#include "bench/measures.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <cstdio>
#include <exception>

namespace {

int usage()
{
    std::fprintf(stderr,
                 "usage: gravelin_bench create DATABASE\n"
                 "       gravelin_bench create-10m DATABASE\n"
                 "       gravelin_bench first-screen|fetch-all|bare-fetch DATABASE TABLE\n"
                 "       gravelin_bench filter DATABASE TABLE TEXT\n"
                 "       gravelin_bench export DATABASE TABLE txt|csv|xml|xlsx|pdf [ROWS]\n"
                 "       gravelin_bench bare-xlsx DATABASE TABLE\n"
                 "       gravelin_bench delete-rows DATABASE TABLE ROWS\n"
                 "       gravelin_bench select-all-delete DATABASE TABLE\n"
                 "       gravelin_bench import|bare-insert DATABASE TABLE ROWS\n"
                 "       gravelin_bench replace-all|picker DATABASE TABLE\n");
    return 2;
}

int run(const QStringList &args)
{
    if (args.size() < 2)
        return usage();
    const QString &mode = args.at(0);
    // A server's database name is passed on as it is.
    const bool onServer = !args.at(1).startsWith(QLatin1Char('/'))
        && args.at(1).indexOf(QLatin1Char(':')) > 1;
    const QString database = onServer ? args.at(1) : QFileInfo(args.at(1)).absoluteFilePath();
    if (mode == QLatin1String("create")) {
        const bool created = bench::EnsureBenchDatabase(database);
        std::printf("created=%d\n", created ? 1 : 0);
        return 0;
    }
    if (mode == QLatin1String("create-10m")) {
        const bool created = bench::EnsureHugeBenchDatabase(database);
        std::printf("created=%d\n", created ? 1 : 0);
        return 0;
    }
    if (args.size() < 3)
        return usage();
    const QString &table = args.at(2);
    if (mode == QLatin1String("first-screen"))
        bench::MeasureFirstScreen(database, table);
    else if (mode == QLatin1String("fetch-all"))
        bench::MeasureFetchAll(database, table);
    else if (mode == QLatin1String("bare-fetch"))
        bench::MeasureBareFetch(database, table);
    else if (mode == QLatin1String("filter") && args.size() >= 4)
        bench::MeasureFilter(database, table, args.at(3));
    else if (mode == QLatin1String("delete-rows") && args.size() >= 4)
        bench::MeasureDeleteRows(database, table, args.at(3).toInt());
    else if (mode == QLatin1String("select-all-delete"))
        bench::MeasureSelectAllDelete(database, table);
    else if (mode == QLatin1String("replace-all"))
        bench::MeasureReplaceAll(database, table);
    else if (mode == QLatin1String("picker"))
        bench::MeasurePickerFirstScreen(database, table);
    else if (mode == QLatin1String("bare-xlsx"))
        bench::MeasureBareWorkbook(database, table);
    else if (mode == QLatin1String("import") && args.size() >= 4)
        bench::MeasureImport(database, table, args.at(3).toLongLong());
    else if (mode == QLatin1String("bare-insert") && args.size() >= 4)
        bench::MeasureBareInsert(database, table, args.at(3).toLongLong());
    else if (mode == QLatin1String("export") && args.size() >= 4)
        bench::MeasureExport(database, table, args.at(3), args.value(4).toLongLong());
    else
        return usage();
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // The editor window loads its hand cursor from the program's folder.
    if (QDir(QStringLiteral(GRAVELIN_BIN_DIR)).exists())
        app::SetProgramFolder(QStringLiteral(GRAVELIN_BIN_DIR));
    try {
        return run(application.arguments().mid(1));
    } catch (const std::exception &error) {
        std::fprintf(stderr, "gravelin_bench: %s\n", error.what());
        return 1;
    }
}
