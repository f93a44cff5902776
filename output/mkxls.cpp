// Writes the two workbook templates the exports copy: Sheet1 with the column
// names of layout I (qmrvz.xls) or layout II (qmrvz2.xls) in its first row.
#include "ExportFiles.h"
#include "KavloError.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kavlo-mkxls <Database folder>\n");
        return 2;
    }
    const QDir dir(QString::fromLocal8Bit(argv[1]));
    try {
        for (OutputLayout layout : {OutputLayout::I, OutputLayout::II})
            WriteWorkbookTemplate(dir.filePath(WorkbookTemplateName(layout)), layout);
    } catch (const KavloError &e) {
        std::fprintf(stderr, "kavlo-mkxls: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
