// Draws page 1 of the preview of one month of sample records, as the preview
// window shows it, into a PNG file: kavlo-preview-png <file.png> [I|II]
#include "BenchLedger.h"
#include "MainWindowFields.h"
#include "MessageBox.h"
#include "OutputCommands.h"
#include "ReportCommands.h"
#include "ReportPreview.h"
#include "unt_frmPreview.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>

int main(int argc, char **argv)
{
    UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: kavlo-preview-png <file.png> [I|II]\n");
        return 2;
    }
    const QString target = QString::fromLocal8Bit(argv[1]);
    const OutputLayout layout = argc > 2 && QByteArray(argv[2]) == "II" ? OutputLayout::II : OutputLayout::I;
    MessageBox::setTestMode(true);

    BenchLedger ledger;
    MainWindowFields &fields = ledger.fields;

    const QStringList meals{QStringLiteral("早饭"), QStringLiteral("午饭"), QStringLiteral("晚饭")};
    QStringList dates, names, amounts, memos;
    for (int day = 1; day <= 31; ++day) {
        const QString date = QStringLiteral("2007-03-%1").arg(day, 2, 10, QLatin1Char('0'));
        dates << date;
        names << meals.at(day % 3);
        amounts << QStringLiteral("%1.50").arg(5 + day % 17);
        memos << (day % 4 == 0 ? QStringLiteral("和同事一起") : QString());
        if (day % 7 == 3) {
            dates << date;
            names << QStringLiteral("交通费");
            amounts << QStringLiteral("32.00");
            memos << QStringLiteral("打车 taxi");
        }
    }
    fields.g_objDatabaseUser->AddRecord(fields.g_strUserName, kTypeExpense, dates, names, amounts, memos);
    fields.g_objDatabaseUser->AddRecord(fields.g_strUserName, kTypeIncome,
                                        {QStringLiteral("2007-03-05"), QStringLiteral("2007-03-20")},
                                        {QStringLiteral("工资"), QStringLiteral("奖金")},
                                        {QStringLiteral("3000.00"), QStringLiteral("500.00")},
                                        {QStringLiteral("三月工资"), QString()});

    OutputCommands output(fields, nullptr);
    ReportCommands commands(fields, output, nullptr);
    bool saved = false;
    QTimer::singleShot(0, [&] {
        if (auto *preview = qobject_cast<TfrmPreview *>(QApplication::activeModalWidget())) {
            saved = preview->QRPreview1->pageWidget()->grab().save(target);
            preview->reject();
        }
    });
    commands.Preview(QDate(2007, 3, 1), QDate(2007, 3, 31), layout);
    if (!saved || !MessageBox::shown().isEmpty()) {
        std::fprintf(stderr, "could not draw the preview page\n");
        return 1;
    }
    std::printf("%s\n", qPrintable(target));
    return 0;
}
