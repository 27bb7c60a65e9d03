#include <QTest>

class tst_iconreader : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(tst_iconreader)
#include "tst_iconreader.moc"
