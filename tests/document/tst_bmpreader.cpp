#include <QTest>

class tst_bmpreader : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(tst_bmpreader)
#include "tst_bmpreader.moc"
