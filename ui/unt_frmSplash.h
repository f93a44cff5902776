#pragma once

#include <QWidget>

class QLabel;

// The small borderless window that covers the time the login dialog spends
// opening the database.
class TfrmSplash : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmSplash(QWidget *parent = nullptr);

    QLabel *lblInformation = nullptr;

private:
    void FormCreate();
};
