#include "ErrorReport.h"

#include "KavloError.h"
#include "MessageBox.h"

void ReportError(QWidget *parent, const std::exception &error)
{
    if (auto *kavlo = dynamic_cast<const KavloError *>(&error))
        MessageBox::error(parent, kavlo->message());
    else
        MessageBox::error(parent, QString::fromLocal8Bit(error.what()));
}

void ReportUnknownError(QWidget *parent) { MessageBox::error(parent, QStringLiteral("Unknown error")); }
