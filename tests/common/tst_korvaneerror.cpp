#include <QTest>

class tst_korvaneerror : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(tst_korvaneerror)
#include "tst_korvaneerror.moc"
