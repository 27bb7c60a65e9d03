#include <QTest>

class tst_korvaneform1 : public QObject
{
    Q_OBJECT
};

QTEST_MAIN(tst_korvaneform1)
#include "tst_korvaneform1.moc"
